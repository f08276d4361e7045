#pragma once
// Memory for one large buffer that is filled once: an anonymous mapping, in huge pages
// where the system offers them, so that filling it takes one page fault per 2 MiB rather
// than one per 4 KiB.

#include <cstddef>

namespace velbrin::io {

class PageBuffer {
public:
    PageBuffer() noexcept = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit PageBuffer(std::size_t size);
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer();

    char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace velbrin::io
