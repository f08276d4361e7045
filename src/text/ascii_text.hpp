#pragma once
// ASCII tests and case folding on byte views.

#include <cstdint>
#include <string_view>

namespace velbrin::text {

// Only a to z change; every other byte, UTF-8 bytes included, stays as it is.
constexpr char ascii_upper(char byte) noexcept {
    return (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - ('a' - 'A')) : byte;
}

// No early exit, so the scan vectorises.
constexpr bool is_ascii(std::string_view text) noexcept {
    std::uint8_t seen = 0;
    for (const char byte : text) seen |= static_cast<std::uint8_t>(byte);
    return seen < 0x80;
}

static_assert(ascii_upper('a') == 'A' && ascii_upper('z') == 'Z' && ascii_upper('{') == '{');
static_assert(ascii_upper('\xE1') == '\xE1');
static_assert(is_ascii("ACGT-") && !is_ascii("AC\xC3\xA9"));

}  // namespace velbrin::text
