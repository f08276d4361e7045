#pragma once
// The IUPAC ambiguity letters and the bases each stands for, plus byte-indexed views
// of them for the per-codon tests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/ascii_text.hpp"

namespace velbrin::iupac {

struct AmbiguityLetter {
    char letter;
    std::string_view bases;  // in the order in which resolutions are generated
};

inline constexpr std::array<AmbiguityLetter, 11> kAmbiguityLetters{{
    {'R', "AG"},
    {'Y', "CT"},
    {'S', "GC"},
    {'W', "AT"},
    {'K', "GT"},
    {'M', "AC"},
    {'B', "CGT"},
    {'D', "AGT"},
    {'H', "ACT"},
    {'V', "ACG"},
    {'N', "ACGT"},
}};

// The letter as every codon test sees it: a-z upper-cased, "U" as "T".
constexpr char fold_nucleotide(char byte) noexcept {
    const char upper = text::ascii_upper(byte);
    return upper == 'U' ? 'T' : upper;
}

// A set of the four bases, one bit per base; the bit number is the base's codon digit
// (T = 0, C = 1, A = 2, G = 3), so a set's bits enumerate codon digits directly.
using BaseSet = std::uint8_t;

inline constexpr std::string_view kBasesByDigit = "TCAG";
inline constexpr BaseSet kAllBases = 0b1111;

// The bit of an upper-case base letter A, C, G or T (compared exactly); 0 for any
// other byte.
constexpr BaseSet base_bit(char byte) noexcept {
    const std::size_t digit = kBasesByDigit.find(byte);
    return digit == std::string_view::npos ? 0 : static_cast<BaseSet>(1u << digit);
}

namespace detail {

inline constexpr std::array<std::string_view, 256> kBasesOfLetter = [] {
    std::array<std::string_view, 256> bases{};
    for (const AmbiguityLetter& entry : kAmbiguityLetters) {
        bases[static_cast<unsigned char>(entry.letter)] = entry.bases;
    }
    return bases;
}();

constexpr BaseSet set_of(std::string_view bases) noexcept {
    BaseSet set = 0;
    for (char base : bases) set = static_cast<BaseSet>(set | base_bit(base));
    return set;
}

inline constexpr std::array<BaseSet, 256> kAmbiguitySet = [] {
    std::array<BaseSet, 256> sets{};
    for (std::size_t byte = 0; byte < sets.size(); ++byte)
        sets[byte] = set_of(kBasesOfLetter[byte]);
    return sets;
}();

// What a codon byte may resolve to: a base (either case, "U" as "T") itself, an
// ambiguity letter (either case) its bases, anything else nothing.
inline constexpr std::array<BaseSet, 256> kResolutionSet = [] {
    std::array<BaseSet, 256> sets{};
    for (std::size_t byte = 0; byte < sets.size(); ++byte) {
        const char folded = fold_nucleotide(static_cast<char>(byte));
        sets[byte] = static_cast<BaseSet>(base_bit(folded) |
                                          kAmbiguitySet[static_cast<unsigned char>(folded)]);
    }
    return sets;
}();

}  // namespace detail

// The bases of an upper-case ambiguity letter, in table order; empty for every other
// byte (plain bases, lower case, "X", gaps, ...).
constexpr std::string_view ambiguity_bases(char letter) noexcept {
    return detail::kBasesOfLetter[static_cast<unsigned char>(letter)];
}

// The same bases as a set.
constexpr BaseSet ambiguity_base_set(char letter) noexcept {
    return detail::kAmbiguitySet[static_cast<unsigned char>(letter)];
}

// The bases a codon byte can stand for, after case folding and "U" as "T": one for a
// plain base, several for an ambiguity letter, none for anything else.
constexpr BaseSet resolution_set(char byte) noexcept {
    return detail::kResolutionSet[static_cast<unsigned char>(byte)];
}

namespace detail {

constexpr bool bases_are_distinct_plain_bases(std::string_view bases) {
    BaseSet seen = 0;
    for (char base : bases) {
        const BaseSet bit = base_bit(base);
        if (bit == 0 || (seen & bit) != 0) return false;
        seen = static_cast<BaseSet>(seen | bit);
    }
    return bases.size() >= 2;
}

constexpr bool table_is_well_formed() {
    for (const AmbiguityLetter& entry : kAmbiguityLetters) {
        if (entry.letter < 'A' || entry.letter > 'Z') return false;
        if (base_bit(entry.letter) != 0 || entry.letter == 'U') return false;
        if (!bases_are_distinct_plain_bases(entry.bases)) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::table_is_well_formed());
static_assert(ambiguity_bases('N') == "ACGT" && ambiguity_bases('S') == "GC");
static_assert(ambiguity_bases('X').empty() && ambiguity_bases('n').empty() &&
              ambiguity_bases('A').empty());
static_assert(resolution_set('u') == base_bit('T') && resolution_set('n') == kAllBases);
static_assert(resolution_set('X') == 0 && resolution_set('-') == 0 && resolution_set('\xC3') == 0);

}  // namespace velbrin::iupac
