#pragma once
// Whether a codon that may hold IUPAC ambiguity letters can encode an amino acid,
// under an NCBI table string or against a custom table's list of codons.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "genetic_code/genetic_code.hpp"
#include "iupac/iupac_bases.hpp"

namespace velbrin::iupac {

// The amino-acid signature: "B" admits the table letters "D" and "N", "J" admits
// "I" and "L", "Z" admits "E" and "Q"; every other amino acid only itself.
constexpr bool signature_admits(char amino_acid, char table_letter) noexcept {
    switch (amino_acid) {
        case 'B': return table_letter == 'D' || table_letter == 'N';
        case 'J': return table_letter == 'I' || table_letter == 'L';
        case 'Z': return table_letter == 'E' || table_letter == 'Q';
        default: return table_letter == amino_acid;
    }
}

// Some resolution of `codon`'s ambiguity letters translates, under `table`, to a letter
// that `amino_acid`'s signature admits.
bool ambiguous_triplet_matches_signature(std::string_view table, char amino_acid,
                                         std::string_view codon) noexcept;

// `codon` (ambiguity letters allowed) covers some three-byte entry of `allowed`.
// One-directional: an ambiguity letter in an entry is covered by nothing.
bool has_iupac_match(std::string_view codon, std::span<const std::string_view> allowed) noexcept;

namespace detail {

// [position][byte]: the codons whose base at that position is one the byte resolves to
// (a base set's bit k is the base of digit k, and a codon's index is
// 16 * first + 4 * second + third).
inline constexpr auto kCodonsByLetter = [] {
    std::array<std::array<std::uint64_t, 256>, 3> codons{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const BaseSet bases = resolution_set(char(byte));
        for (std::size_t index = 0; index < codon::kCodonCount; ++index) {
            const std::size_t digits[3] = {index / 16, index / 4 % 4, index % 4};
            for (std::size_t position = 0; position < 3; ++position) {
                if ((bases >> digits[position]) & 1)
                    codons[position][byte] |= std::uint64_t{1} << index;
            }
        }
    }
    return codons;
}();
static_assert(kCodonsByLetter[0]['N'] == ~std::uint64_t{0} &&
              kCodonsByLetter[2]['G'] == 0x8888888888888888);
static_assert(kCodonsByLetter[1]['-'] == 0 && kCodonsByLetter[0]['T'] == 0xFFFF);

}  // namespace detail

// The codons `codon`'s resolutions spell, one bit per codon index (as codon_index
// numbers them): plain bases and ambiguity letters of either case, "U" as "T"; 0 unless
// it is three bytes that each resolve to some base.  (Defined here: the walk asks it for
// every column it decides alone.)
inline std::uint64_t resolution_mask(std::string_view codon) noexcept {
    if (codon.size() != 3) return 0;
    return detail::kCodonsByLetter[0][std::uint8_t(codon[0])] &
           detail::kCodonsByLetter[1][std::uint8_t(codon[1])] &
           detail::kCodonsByLetter[2][std::uint8_t(codon[2])];
}

}  // namespace velbrin::iupac
