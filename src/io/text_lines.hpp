#pragma once
// Walking a text line by line, and the byte classes the readers share.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace velbrin::io {

// Hands out the lines of a text without their line end ("\n" or "\r\n"), counting them
// from 1.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) noexcept : text_(text) {}

    // The next line, or nothing at the end of the text.  Inline: it runs once per line.
    std::optional<std::string_view> next() noexcept {
        if (position_ >= text_.size()) return std::nullopt;
        const char* start = text_.data() + position_;
        const std::size_t rest = text_.size() - position_;
        const void* line_feed = std::memchr(start, '\n', rest);
        const std::size_t length =
            line_feed ? static_cast<std::size_t>(static_cast<const char*>(line_feed) - start)
                      : rest;
        position_ += line_feed ? length + 1 : length;
        ++line_number_;
        std::string_view line(start, length);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }
    // The 1-based number of the line last handed out.
    std::size_t line_number() const noexcept { return line_number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t line_number_ = 0;
};

// Blanks inside a line: space, tab, carriage return, vertical tab, form feed.
constexpr bool is_blank(unsigned char byte) noexcept {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\v' || byte == '\f';
}

// Control bytes that no text file holds: the C0 range but for blanks and line feed, and DEL.
constexpr bool is_binary(unsigned char byte) noexcept {
    return (byte < 0x20 && !is_blank(byte) && byte != '\n') || byte == 0x7F;
}

static_assert(!is_binary('\t') && !is_binary('\r') && is_binary('\0') && is_binary(0x1B) &&
              is_binary(0x7F) && !is_binary(0x80) && !is_binary('A'));

bool is_blank_line(std::string_view line) noexcept;

// The first control byte of `line`, if any.
std::optional<unsigned char> first_binary_byte(std::string_view line) noexcept;

// "binary data (byte 0x01)"
std::string binary_data_reason(unsigned char byte);

// `line` without leading and trailing blanks.
std::string_view trim_blanks(std::string_view line) noexcept;

}  // namespace velbrin::io
