#include "text/unicode_text.hpp"

namespace velbrin::text {

namespace {

// The longest White_Space character (U+3000 and its neighbours) takes three bytes.
constexpr std::size_t kLongestWhiteSpace = 3;

bool starts_with_white_space(std::string_view text, std::size_t& length) noexcept {
    const Utf8Char c = decode_utf8_char(text);
    length = c.length;
    return c.length != 0 && is_unicode_white_space(c.code_point);
}

bool ends_with_white_space(std::string_view text, std::size_t& length) noexcept {
    const std::size_t longest = text.size() < kLongestWhiteSpace ? text.size() : kLongestWhiteSpace;
    for (std::size_t candidate = 1; candidate <= longest; ++candidate) {
        const std::string_view tail = text.substr(text.size() - candidate);
        if (text::is_utf8_continuation(static_cast<unsigned char>(tail[0]))) continue;
        const Utf8Char c = decode_utf8_char(tail);
        length = c.length;
        return c.length == candidate && is_unicode_white_space(c.code_point);
    }
    return false;
}

// "!" to DEL: a byte that is a whole character and no white space.
constexpr bool is_printable_ascii(char byte) noexcept {
    return static_cast<unsigned char>(byte) > 0x20 && static_cast<unsigned char>(byte) < 0x80;
}
constexpr bool printable_ascii_holds_no_white_space() {
    for (char32_t c = 0x21; c < 0x80; ++c) {
        if (is_unicode_white_space(c)) return false;
    }
    return true;
}
static_assert(printable_ascii_holds_no_white_space());

}  // namespace

std::string_view trim_unicode_whitespace(std::string_view text) noexcept {
    // Printable ASCII at both ends (the common case) is no white space: nothing to decode.
    if (!text.empty() && is_printable_ascii(text.front()) && is_printable_ascii(text.back()))
        return text;
    std::size_t length = 0;
    while (!text.empty() && starts_with_white_space(text, length)) text.remove_prefix(length);
    while (!text.empty() && ends_with_white_space(text, length)) text.remove_suffix(length);
    return text;
}

bool is_valid_utf8(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Char c = decode_utf8_char(text.substr(i));
        if (c.length == 0) return false;
        i += c.length;
    }
    return true;
}

}  // namespace velbrin::text
