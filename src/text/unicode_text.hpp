#pragma once
// UTF-8 text: decoding, encoding, validation and Unicode white space.

#include <array>
#include <cstddef>
#include <string_view>

namespace velbrin::text {

// One character at the start of a text: its code point and byte length.  `length` is 0
// when the text does not begin with a whole, valid UTF-8 character.
struct Utf8Char {
    char32_t code_point = 0;
    std::size_t length = 0;
};

// Strict decoding: no overlong forms, no surrogates, nothing above U+10FFFF, and no
// character cut short by the end of `text`.
constexpr Utf8Char decode_utf8_char(std::string_view text) noexcept;

// The UTF-8 bytes of one character.
struct Utf8Bytes {
    std::array<char, 4> bytes{};
    std::size_t length = 0;

    constexpr std::string_view view() const noexcept { return {bytes.data(), length}; }
};

// A code point that is no Unicode scalar value (a surrogate, or above U+10FFFF) is
// written as U+FFFD, so the bytes are always valid UTF-8.
constexpr Utf8Bytes encode_utf8(char32_t code_point) noexcept;

// The Unicode White_Space property.
constexpr bool is_unicode_white_space(char32_t code_point) noexcept;

// `text` without leading and trailing characters of the Unicode White_Space property.
// Bytes that are not valid UTF-8 are never white space.
std::string_view trim_unicode_whitespace(std::string_view text) noexcept;

bool is_valid_utf8(std::string_view text) noexcept;

// A byte that continues a UTF-8 character rather than starting one.
constexpr bool is_utf8_continuation(unsigned char byte) noexcept { return (byte & 0xC0U) == 0x80U; }

// ---------------------------------------------------------------------------------------

namespace detail {

constexpr char32_t payload(unsigned char byte, unsigned bits) noexcept {
    return static_cast<char32_t>(byte & ((1U << bits) - 1U));
}

struct CodePointRange {
    char32_t first;
    char32_t last;
};

inline constexpr std::array<CodePointRange, 10> kWhiteSpaceRanges{{
    {0x0009, 0x000D},
    {0x0020, 0x0020},
    {0x0085, 0x0085},
    {0x00A0, 0x00A0},
    {0x1680, 0x1680},
    {0x2000, 0x200A},
    {0x2028, 0x2029},
    {0x202F, 0x202F},
    {0x205F, 0x205F},
    {0x3000, 0x3000},
}};

constexpr bool ranges_sorted_and_disjoint() noexcept {
    for (std::size_t i = 0; i < kWhiteSpaceRanges.size(); ++i) {
        if (kWhiteSpaceRanges[i].first > kWhiteSpaceRanges[i].last) return false;
        if (i > 0 && kWhiteSpaceRanges[i - 1].last + 1 >= kWhiteSpaceRanges[i].first) return false;
    }
    return true;
}

constexpr std::size_t white_space_count() noexcept {
    std::size_t count = 0;
    for (const auto& range : kWhiteSpaceRanges) count += range.last - range.first + 1;
    return count;
}

static_assert(ranges_sorted_and_disjoint());
static_assert(white_space_count() == 25);

}  // namespace detail

constexpr Utf8Char decode_utf8_char(std::string_view text) noexcept {
    if (text.empty()) return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return {lead, 1};

    std::size_t length = 0;
    unsigned char second_min = 0x80;
    unsigned char second_max = 0xBF;
    char32_t code_point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code_point = detail::payload(lead, 5);
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code_point = detail::payload(lead, 4);
        if (lead == 0xE0) second_min = 0xA0;  // overlong
        if (lead == 0xED) second_max = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code_point = detail::payload(lead, 3);
        if (lead == 0xF0) second_min = 0x90;  // overlong
        if (lead == 0xF4) second_max = 0x8F;  // above U+10FFFF
    } else {
        return {};
    }
    if (text.size() < length) return {};

    const auto second = static_cast<unsigned char>(text[1]);
    if (second < second_min || second > second_max) return {};
    code_point = (code_point << 6) | detail::payload(second, 6);
    for (std::size_t i = 2; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!is_utf8_continuation(byte)) return {};
        code_point = (code_point << 6) | detail::payload(byte, 6);
    }
    return {code_point, length};
}

constexpr Utf8Bytes encode_utf8(char32_t code_point) noexcept {
    if ((code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF) {
        code_point = 0xFFFD;
    }
    Utf8Bytes out;
    auto put = [&out](char32_t value) { out.bytes[out.length++] = static_cast<char>(value); };
    if (code_point < 0x80) {
        put(code_point);
    } else if (code_point < 0x800) {
        put(0xC0 | (code_point >> 6));
        put(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        put(0xE0 | (code_point >> 12));
        put(0x80 | ((code_point >> 6) & 0x3F));
        put(0x80 | (code_point & 0x3F));
    } else {
        put(0xF0 | (code_point >> 18));
        put(0x80 | ((code_point >> 12) & 0x3F));
        put(0x80 | ((code_point >> 6) & 0x3F));
        put(0x80 | (code_point & 0x3F));
    }
    return out;
}

constexpr bool is_unicode_white_space(char32_t code_point) noexcept {
    for (const auto& range : detail::kWhiteSpaceRanges) {
        if (code_point < range.first) return false;
        if (code_point <= range.last) return true;
    }
    return false;
}

static_assert(decode_utf8_char("\xE3\x80\x80").code_point == 0x3000);
static_assert(decode_utf8_char("\xC0\x80").length == 0);
static_assert(decode_utf8_char("\xED\xA0\x80").length == 0);
static_assert(decode_utf8_char("\xF4\x90\x80\x80").length == 0);
static_assert(encode_utf8(0x20AC).view() == "\xE2\x82\xAC");
static_assert(encode_utf8(0xD800).view() == "\xEF\xBF\xBD");
static_assert(is_unicode_white_space(0x3000) && !is_unicode_white_space(0x200B));

}  // namespace velbrin::text
