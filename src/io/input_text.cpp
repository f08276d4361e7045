#include "io/input_text.hpp"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

namespace velbrin::io {
namespace {

constexpr std::size_t kFirstCapacity = std::size_t{1} << 20;
// A buffer grown past the first capacity is kept in whole, aligned huge pages and advised
// as such: a fresh 4 KiB page costs a fault each, and a large text written page by page
// spends much of its time there.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
static_assert(kFirstCapacity < kHugePage && kHugePage % kFirstCapacity == 0);

std::size_t rounded_up(std::size_t count, std::size_t unit) noexcept {
    return (count + unit - 1) / unit * unit;
}

std::size_t page_rounded(std::size_t count) noexcept {
    return rounded_up(count, static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
}

void* map_anonymous(std::size_t size) noexcept {
    return ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
}

// `size` bytes of address space (a multiple of kHugePage) at a kHugePage boundary, or
// MAP_FAILED: a larger mapping with the unaligned ends given back.
void* map_huge_aligned(std::size_t size) noexcept {
    void* mapped = map_anonymous(size + kHugePage);
    if (mapped == MAP_FAILED) return MAP_FAILED;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = rounded_up(start, kHugePage);
    if (aligned > start) ::munmap(mapped, aligned - start);
    ::munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
    return reinterpret_cast<void*>(aligned);
}

// A fresh aligned mapping of `capacity` bytes advised as huge pages, holding the pages
// (not a copy of the bytes) of the `old_capacity` bytes at `data`, which are given up.
void* moved_to_huge_pages(void* data, std::size_t old_capacity, std::size_t capacity) {
    void* target = map_huge_aligned(capacity);
    if (target == MAP_FAILED) throw std::bad_alloc();
    if (old_capacity > 0 && ::mremap(data, old_capacity, capacity, MREMAP_MAYMOVE | MREMAP_FIXED,
                                     target) == MAP_FAILED) {
        ::munmap(target, capacity);
        throw std::bad_alloc();
    }
    ::madvise(target, capacity, MADV_HUGEPAGE);  // advice only: refused where there are none
    return target;
}

}  // namespace

InputText::InputText(InputText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      writable_(std::exchange(other.writable_, false)),
      stamp_(std::exchange(other.stamp_, std::nullopt)) {}

InputText& InputText::operator=(InputText&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        writable_ = std::exchange(other.writable_, false);
        stamp_ = std::exchange(other.stamp_, std::nullopt);
    }
    return *this;
}

InputText::~InputText() { release(); }

void InputText::release() noexcept {
    if (capacity_ > 0) ::munmap(data_, capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

InputText InputText::map_file(int descriptor, std::size_t size) noexcept {
    InputText text;
    if (size == 0) return text;
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (mapped == MAP_FAILED) return text;
    ::madvise(mapped, size, MADV_SEQUENTIAL);
    text.data_ = static_cast<char*>(mapped);
    text.size_ = text.capacity_ = size;
    struct stat status{};
    if (::fstat(descriptor, &status) == 0) text.stamp_ = stamp_of(status);
    return text;
}

InputText::FileStamp InputText::stamp_of(const struct ::stat& status) noexcept {
    const auto nanoseconds = [](const timespec& time) {
        return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
            std::uint64_t(status.st_size), nanoseconds(status.st_mtim)};
}

bool InputText::written_since_mapped(const std::string& path) const noexcept {
    struct stat status{};
    if (!stamp_ || ::stat(path.c_str(), &status) != 0) return false;
    const FileStamp now = stamp_of(status);
    const bool same_file = now.device == stamp_->device && now.inode == stamp_->inode;
    return same_file && now != *stamp_;
}

void InputText::drop_pages(std::string_view range) const noexcept {
    if (writable_ || capacity_ == 0 || range.empty()) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(range.data()) + page - 1) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(range.data() + range.size()) / page * page;
    if (begin < end) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

void InputText::reserve_more(std::size_t count) {
    if (capacity_ > 0 && !writable_) throw std::bad_alloc();  // a mapped file does not grow
    if (capacity_ - size_ >= count) return;
    if (count > SIZE_MAX / 2 - size_) throw std::bad_alloc();
    const std::size_t wanted = std::max({size_ + count, capacity_ * 2, kFirstCapacity});
    if (wanted <= kFirstCapacity) {
        void* mapped = map_anonymous(page_rounded(wanted));
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<char*>(mapped);
        capacity_ = page_rounded(wanted);
    } else {
        const std::size_t capacity = rounded_up(wanted, kHugePage);
        data_ = static_cast<char*>(moved_to_huge_pages(data_, capacity_, capacity));
        capacity_ = capacity;
    }
    writable_ = true;
}

}  // namespace velbrin::io
