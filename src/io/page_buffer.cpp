#include "io/page_buffer.hpp"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace velbrin::io {
namespace {

// Below this, huge pages would only round the buffer up.
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

}  // namespace

PageBuffer::PageBuffer(std::size_t size) : size_(size) {
    if (size == 0) return;
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    // A hint only: where huge pages are off, the buffer takes ordinary ones.
    if (size >= kHugePageSize) ::madvise(mapped, size, MADV_HUGEPAGE);
    data_ = static_cast<char*>(mapped);
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) ::munmap(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

PageBuffer::~PageBuffer() {
    if (data_ != nullptr) ::munmap(data_, size_);
}

}  // namespace velbrin::io
