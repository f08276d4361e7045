#include "io/input_text.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

namespace velbrin::io {
namespace {

constexpr std::size_t kFirstCapacity = std::size_t{1} << 20;

std::size_t page_rounded(std::size_t count) noexcept {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (count + page - 1) / page * page;
}

}  // namespace

InputText::InputText(InputText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      writable_(std::exchange(other.writable_, false)) {}

InputText& InputText::operator=(InputText&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        writable_ = std::exchange(other.writable_, false);
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
    return text;
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
    const std::size_t wanted =
        page_rounded(std::max({size_ + count, capacity_ * 2, kFirstCapacity}));
    void* grown = capacity_ == 0 ? ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)
                                 : ::mremap(data_, capacity_, wanted, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    capacity_ = wanted;
    writable_ = true;
}

}  // namespace velbrin::io
