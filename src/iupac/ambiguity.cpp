#include "iupac/ambiguity.hpp"

#include <array>
#include <cstddef>

#include "genetic_code/genetic_code.hpp"
#include "iupac/iupac_bases.hpp"

namespace velbrin::iupac {
namespace {

using Resolutions = std::array<BaseSet, 3>;

// A base set's bit numbers must be the digits codon_index gives the same letters, so
// that resolutions can be indexed without spelling them out.
constexpr bool base_bits_follow_codon_digits() {
    for (std::size_t digit = 0; digit < kBasesByDigit.size(); ++digit) {
        const char base = kBasesByDigit[digit];
        const std::array<char, 3> codon{'T', 'T', base};
        if (codon::codon_index(std::string_view(codon.data(), codon.size())) != digit) return false;
        if (base_bit(base) != static_cast<BaseSet>(1u << digit)) return false;
    }
    return true;
}
static_assert(base_bits_follow_codon_digits());

// The codon's letters that cover an entry's "U" are exactly T and these.
constexpr bool letters_covering_t_are(std::string_view expected) {
    std::string_view::size_type found = 0;
    for (const AmbiguityLetter& entry : kAmbiguityLetters) {
        const bool covers_t = (ambiguity_base_set(entry.letter) & base_bit('T')) != 0;
        if (covers_t != (expected.find(entry.letter) != std::string_view::npos)) return false;
        found += covers_t ? 1 : 0;
    }
    return found == expected.size();
}
static_assert(letters_covering_t_are("BDHKNWY"));

constexpr bool has_digit(BaseSet set, int digit) noexcept { return (set >> digit) & 1u; }

Resolutions resolutions_of(std::string_view codon) noexcept {
    return {resolution_set(codon[0]), resolution_set(codon[1]), resolution_set(codon[2])};
}

bool every_position_resolves(const Resolutions& positions) noexcept {
    return positions[0] != 0 && positions[1] != 0 && positions[2] != 0;
}

// An entry's letter is a plain base after folding, or it is covered by nothing.
bool covers_entry(const Resolutions& positions, std::string_view entry) noexcept {
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if ((positions[i] & base_bit(fold_nucleotide(entry[i]))) == 0) return false;
    }
    return true;
}

}  // namespace

bool ambiguous_triplet_matches_signature(std::string_view table, char amino_acid,
                                         std::string_view codon) noexcept {
    if (codon.size() != 3) return false;
    const Resolutions positions = resolutions_of(codon);
    if (!every_position_resolves(positions)) return false;
    for (int first = 0; first < 4; ++first) {
        if (!has_digit(positions[0], first)) continue;
        for (int second = 0; second < 4; ++second) {
            if (!has_digit(positions[1], second)) continue;
            for (int third = 0; third < 4; ++third) {
                if (!has_digit(positions[2], third)) continue;
                const auto index = static_cast<std::size_t>(16 * first + 4 * second + third);
                if (index < table.size() && signature_admits(amino_acid, table[index])) return true;
            }
        }
    }
    return false;
}

bool has_iupac_match(std::string_view codon, std::span<const std::string_view> allowed) noexcept {
    if (codon.size() != 3) return false;
    const Resolutions positions = resolutions_of(codon);
    if (!every_position_resolves(positions)) return false;
    for (const std::string_view entry : allowed) {
        if (entry.size() == 3 && covers_entry(positions, entry)) return true;
    }
    return false;
}

}  // namespace velbrin::iupac
