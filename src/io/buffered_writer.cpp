#include "io/buffered_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace velbrin::io {

BufferedWriter::BufferedWriter(Drain drain, std::size_t capacity)
    : drain_(std::move(drain)),
      capacity_(std::max<std::size_t>(capacity, 64)),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity_)) {}

void BufferedWriter::drain() {
    if (!failure_ && used_ > 0) failure_ = drain_({buffer_.get(), used_});
    used_ = 0;
}

void BufferedWriter::append_in_pieces(std::string_view bytes) {
    while (!bytes.empty()) {
        if (used_ == capacity_) drain();
        const std::size_t room = std::min(capacity_ - used_, bytes.size());
        std::memcpy(buffer_.get() + used_, bytes.data(), room);
        used_ += room;
        bytes.remove_prefix(room);
    }
}

void BufferedWriter::append_repeated(std::size_t count, char byte) {
    while (count > 0) {
        if (used_ == capacity_) drain();
        const std::size_t room = std::min(capacity_ - used_, count);
        std::memset(buffer_.get() + used_, byte, room);
        used_ += room;
        count -= room;
    }
}

void BufferedWriter::append_number(std::size_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

std::optional<IoFailure> BufferedWriter::finish() {
    drain();
    return std::exchange(failure_, std::nullopt);
}

}  // namespace velbrin::io
