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

    // For the vector checks: each codon's owner, a residue that accepts it, taken from
    // the letters a table assigns ahead of "B", "J" and "Z"; "X" owns none.
    CodonOwners owners;
};

// The indices of the codons that `codon`'s letters (plain bases and IUPAC ambiguity
// letters) resolve to; none when it is not three bytes or a byte resolves to nothing.
// A residue accepts an ambiguous codon under an NCBI table when this meets its mask.
std::uint64_t resolution_codons(std::string_view codon) noexcept;

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
