#pragma once
// Which unambiguous codons each residue accepts under the code in force, as one 64-bit
// mask per residue byte: bit k is set when the codon with index k encodes the residue.
// The walk decides a codon of plain bases with one bit test; anything else (ambiguity
// letters, "N", other bytes) goes to the code's full rule.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codon/codon_block_match.hpp"
#include "codon/custom_codon_table.hpp"

namespace velbrin::codon {

struct AcceptanceMasks {
    std::array<std::uint64_t, 128> accepted{};  // by residue byte
    std::array<bool, 128> covered{};            // the code knows the residue at all

    // The same verdicts split for the walk's fast path: entry [residue][pair] holds one
    // bit per third base (bit = its digit) for the first two bases' pair index
    // 4 * digit(first) + digit(second); rows have 32 entries, the upper 16 always empty.
    static constexpr std::size_t kPairSlots = 32;
    std::array<std::uint8_t, 128 * kPairSlots> third_bases{};

    // For the vector checks: each codon's owner, a residue that accepts it, taken from
    // the letters a table assigns ahead of "B", "J" and "Z"; "X" owns none.
    CodonOwners owners;
};

// Under a 64-letter NCBI table string, through the amino-acid signature; "X" accepts
// every codon.  Residue bytes other than "*" and A to Z keep empty masks, so their
// codons take the full rules.
AcceptanceMasks ncbi_acceptance(std::string_view table) noexcept;

// Under a custom table: a codon is accepted when one of the residue's three-byte
// entries spells it (letter case ignored, "U" as "T"); "X", when covered, accepts every
// codon.  Only "*" and A to Z are looked up: no other byte is left in a normalised
// peptide.
AcceptanceMasks custom_acceptance(const CustomCodonTable& table) noexcept;

}  // namespace velbrin::codon
