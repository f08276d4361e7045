#pragma once
// Whether a codon that may hold IUPAC ambiguity letters can encode an amino acid,
// under an NCBI table string or against a custom table's list of codons.

#include <cstdint>
#include <span>
#include <string_view>

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

// The codons `codon`'s resolutions spell, one bit per codon index (as codon_index
// numbers them); 0 unless it is three bytes that each resolve to some base.
std::uint64_t resolution_mask(std::string_view codon) noexcept;

}  // namespace velbrin::iupac
