#pragma once
// Reading a harness input.  Inputs are lines of '|'-separated fields, so the seeds in
// fuzz/corpus stay readable and a mutated input still has a shape the harness can use.
// Texts that reach the module from Python are always valid UTF-8; `as_utf8` gives
// fuzz bytes that form.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "text/unicode_text.hpp"

namespace velbrin::fuzz {

// A byte that does not start a valid UTF-8 character becomes the character with that
// number (two bytes), so the result is valid UTF-8 and fuzz bytes still make multi-byte
// characters.
inline std::string as_utf8(std::string_view bytes) {
    std::string text;
    text.reserve(2 * bytes.size());
    while (!bytes.empty()) {
        const text::Utf8Char character = text::decode_utf8_char(bytes);
        if (character.length == 0) {
            text.append(text::encode_utf8(static_cast<unsigned char>(bytes[0])).view());
            bytes.remove_prefix(1);
        } else {
            text.append(bytes.substr(0, character.length));
            bytes.remove_prefix(character.length);
        }
    }
    return text;
}

inline std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        text.remove_prefix(at + 1);
    }
}

inline std::string_view field(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view{};
}

// Leading spaces, an optional sign and decimal digits; saturates; 0 when there are none.
inline std::int64_t parse_integer(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        magnitude = magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10
                        ? std::numeric_limits<std::uint64_t>::max()
                        : magnitude * 10 + digit;
    }
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > most) magnitude = most;
    return negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

inline bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A broken invariant: says which and stops, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void invariant_broken(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    if (!detail.empty()) {
        std::fprintf(stderr, "--- detail (%zu bytes) ---\n%.*s\n---\n", detail.size(),
                     static_cast<int>(detail.size()), detail.data());
    }
    std::abort();
}

inline void check(bool holds, const char* what, std::string_view detail = {}) {
    if (!holds) invariant_broken(what, detail);
}

}  // namespace velbrin::fuzz
