#pragma once
// The bytes of one input, owned: a read-only mapping of a regular file, or a buffer that
// grows in place (an anonymous mapping extended with mremap, so growing never holds the
// text twice and only the pages written to are taken).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct stat;

namespace velbrin::io {

class InputText {
public:
    InputText() noexcept = default;
    InputText(InputText&& other) noexcept;
    InputText& operator=(InputText&& other) noexcept;
    InputText(const InputText&) = delete;
    InputText& operator=(const InputText&) = delete;
    ~InputText();

    // Maps `size` bytes of the open regular file `descriptor` read-only; nothing on failure
    // (the caller then reads it instead).
    static InputText map_file(int descriptor, std::size_t size) noexcept;

    std::string_view view() const noexcept { return {data_, size_}; }
    std::size_t size() const noexcept { return size_; }

    // Growing: room for at least `count` more bytes after the text, at `free_space()`.
    // Throws std::bad_alloc when the address space runs out.
    void reserve_more(std::size_t count);
    char* free_space() noexcept { return data_ + size_; }
    std::size_t free_count() const noexcept { return capacity_ - size_; }
    // Takes `count` bytes written at `free_space()` into the text.
    void commit(std::size_t count) noexcept { size_ += count; }
    // Lets go of the pages wholly inside `range` (a part of a mapped file's text): touched
    // again, they are read back from the file, so every view stays valid, but until then
    // the process does not hold them.  A grown buffer keeps its pages, the only copy.
    void drop_pages(std::string_view range) const noexcept;

    // Writable bytes of a grown buffer (not of a mapped file), for joining lines in place.
    char* writable_data() noexcept { return writable_ ? data_ : nullptr; }

    // Whether another program wrote the mapped file in place since it was mapped (the
    // mapping then shows its new bytes): `path`, which named it, still names it and its
    // size or modification time changed.  False for a buffer, and when `path` names
    // another file now: a file replaced by rename leaves the mapped one as it was.
    bool written_since_mapped(const std::string& path) const noexcept;

private:
    // A mapped file as it stood when mapped.  Writing a file changes its modification
    // time; its change time would also move when another name is linked to it.
    struct FileStamp {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified_ns = 0;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp stamp_of(const struct ::stat& status) noexcept;
    void release() noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // bytes mapped
    bool writable_ = false;
    std::optional<FileStamp> stamp_;  // a mapped file's
};

}  // namespace velbrin::io
