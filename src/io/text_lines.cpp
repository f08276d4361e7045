#include "io/text_lines.hpp"

#include <algorithm>

namespace velbrin::io {

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

std::size_t first_binary_offset(std::string_view text) noexcept {
    // Blocks without an early exit vectorise; the rare block with a hit is searched again.
    constexpr std::size_t kBlock = 64;
    std::size_t start = 0;
    for (; start + kBlock <= text.size(); start += kBlock) {
        bool found = false;
        for (std::size_t i = start; i < start + kBlock; ++i)
            found |= is_binary(static_cast<unsigned char>(text[i]));
        if (found) break;
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (is_binary(static_cast<unsigned char>(text[i]))) return i;
    }
    return std::string_view::npos;
}

std::size_t line_number_at(std::string_view text, std::size_t offset) noexcept {
    const std::size_t skipped = text.size() - without_byte_order_mark(text).size();
    LineCursor cursor(text);
    while (cursor.next()) {
        if (cursor.position() + skipped > offset) break;
    }
    return std::max<std::size_t>(cursor.line_number(), 1);
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
    while (!line.empty() && is_blank(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1);
    while (!line.empty() && is_blank(static_cast<unsigned char>(line.back())))
        line.remove_suffix(1);
    return line;
}

}  // namespace velbrin::io
