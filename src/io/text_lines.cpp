#include "io/text_lines.hpp"

#include <cstring>

namespace velbrin::io {

std::optional<std::string_view> LineCursor::next() noexcept {
    if (position_ >= text_.size()) return std::nullopt;
    const char* start = text_.data() + position_;
    const std::size_t rest = text_.size() - position_;
    const void* line_feed = std::memchr(start, '\n', rest);
    const std::size_t length =
        line_feed ? static_cast<std::size_t>(static_cast<const char*>(line_feed) - start) : rest;
    position_ += line_feed ? length + 1 : length;
    ++line_number_;
    std::string_view line(start, length);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool is_blank_line(std::string_view line) noexcept {
    for (const char byte : line) {
        if (!is_blank(static_cast<unsigned char>(byte))) return false;
    }
    return true;
}

std::optional<unsigned char> first_binary_byte(std::string_view line) noexcept {
    for (const char byte : line) {
        if (is_binary(static_cast<unsigned char>(byte))) return static_cast<unsigned char>(byte);
    }
    return std::nullopt;
}

std::string binary_data_reason(unsigned char byte) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string reason = "binary data (byte 0x";
    reason += kHexDigits[byte >> 4];
    reason += kHexDigits[byte & 0xF];
    reason += ')';
    return reason;
}

std::string_view trim_blanks(std::string_view line) noexcept {
    while (!line.empty() && is_blank(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    while (!line.empty() && is_blank(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    return line;
}

}  // namespace velbrin::io
