#pragma once
// Walking a text line by line, and the byte classes the readers share.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace velbrin::io {

// A UTF-8 byte-order mark, which some editors put at the start of a text file.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// `text` without a leading byte-order mark.
constexpr std::string_view without_byte_order_mark(std::string_view text) noexcept {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    return text;
}

// Hands out the lines of a text without their line end, counting them from 1.  A line
// ends at "\n", "\r\n" or a bare "\r" (old Mac files); a leading byte-order mark is
// skipped.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) noexcept : text_(without_byte_order_mark(text)) {}

    // The next line, or nothing at the end of the text.  Inline: it runs once per line.
    std::optional<std::string_view> next() noexcept {
        if (position_ >= text_.size()) return std::nullopt;
        const char* start = text_.data() + position_;
        const std::size_t rest = text_.size() - position_;
        // The next line feed is kept across calls: in a file of bare carriage returns it
        // lies far ahead, and searching for it again on every line would rescan the text.
        if (!line_feed_known_ || line_feed_ < position_) {
            line_feed_known_ = true;
            const void* found = std::memchr(start, '\n', rest);
            line_feed_ =
                found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                      : text_.size();
        }
        std::size_t length = line_feed_ - position_;
        std::size_t end_length = line_feed_ < text_.size() ? 1 : 0;
        if (const void* carriage = std::memchr(start, '\r', length)) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(carriage) - start);
            end_length = at + 1 == length ? end_length + 1 : 1;  // "\r\n", else a bare "\r"
            length = at;
        }
        position_ += length + end_length;
        ++line_number_;
        return std::string_view(start, length);
    }
    // The 1-based number of the line last handed out.
    std::size_t line_number() const noexcept { return line_number_; }
    // Where the next line starts in the text (after any byte-order mark).
    std::size_t position() const noexcept { return position_; }
    // The text from the next line on.
    std::string_view rest() const noexcept { return text_.substr(position_); }
    // Steps over `bytes` of the rest, which hold `lines` whole lines.
    void skip(std::size_t bytes, std::size_t lines) noexcept {
        position_ += bytes;
        line_number_ += lines;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t line_feed_ = 0;
    std::size_t line_number_ = 0;
    bool line_feed_known_ = false;
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

// Where the first control byte of `text` lies, or npos.
std::size_t first_binary_offset(std::string_view text) noexcept;

// The 1-based line of `text` (as LineCursor counts them) that holds byte `offset`.
std::size_t line_number_at(std::string_view text, std::size_t offset) noexcept;

// "binary data (byte 0x01)"
std::string binary_data_reason(unsigned char byte);

// `line` without leading and trailing blanks.
std::string_view trim_blanks(std::string_view line) noexcept;

}  // namespace velbrin::io
