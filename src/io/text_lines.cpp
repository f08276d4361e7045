#include "io/text_lines.hpp"

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
