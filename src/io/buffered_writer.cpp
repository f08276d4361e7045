#include "io/buffered_writer.hpp"

#include <algorithm>
#include <charconv>
#include <utility>

namespace velbrin::io {

BufferedWriter::BufferedWriter(Drain drain, std::size_t capacity)
    : drain_(std::move(drain)), capacity_(std::max<std::size_t>(capacity, 64)) {
    buffer_.reserve(capacity_);
}

void BufferedWriter::drain() {
    if (!failure_ && !buffer_.empty()) failure_ = drain_(buffer_);
    buffer_.clear();
}

void BufferedWriter::append(std::string_view bytes) {
    while (!bytes.empty()) {
        if (buffer_.size() == capacity_) drain();
        const std::size_t room = std::min(capacity_ - buffer_.size(), bytes.size());
        buffer_.append(bytes.data(), room);
        bytes.remove_prefix(room);
    }
}

void BufferedWriter::append(char byte) {
    if (buffer_.size() == capacity_) drain();
    buffer_.push_back(byte);
}

void BufferedWriter::append_repeated(std::size_t count, char byte) {
    while (count > 0) {
        if (buffer_.size() == capacity_) drain();
        const std::size_t room = std::min(capacity_ - buffer_.size(), count);
        buffer_.append(room, byte);
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
