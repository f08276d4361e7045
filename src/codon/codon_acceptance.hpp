#pragma once
// Which unambiguous codons each residue accepts under the code in force, as one 64-bit
// mask per residue byte: bit k is set when the codon with index k encodes the residue.
// The walk decides a codon of plain bases with one bit test; anything else (ambiguity
// letters, "N", other bytes) goes to the code's full rule.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "codon/codon_block_match.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {

// The residues a normalised peptide holds besides gaps; other residue bytes keep empty
// masks and take the full rules.
inline constexpr std::string_view kResidueLetters = "*ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A residue byte's place in the per-residue arrays (normalised residues are ASCII).
constexpr std::size_t residue_slot(char residue) noexcept { return std::uint8_t(residue) & 0x7F; }

struct AcceptanceMasks {
    std::array<std::uint64_t, 128> accepted{};  // by residue_slot
    std::array<bool, 128> covered{};            // the code knows the residue at all

    std::uint64_t accepted_by(char residue) const noexcept {
        return accepted[residue_slot(residue)];
    }
    bool covers(char residue) const noexcept { return covered[residue_slot(residue)]; }

    // For the vector checks: each codon's owner, a residue that accepts it, taken from
    // the letters a table assigns ahead of "B", "J" and "Z"; "X" owns none.
    CodonOwners owners;
};

// Under the NCBI table numbered `table_num`, through the amino-acid signature; "X"
// accepts every codon.  Residue bytes other than "*" and A to Z keep empty masks, so
// their codons take the full rules.  The masks of every table are made at build time;
// null for a number no table has.
const AcceptanceMasks* ncbi_acceptance(std::int32_t table_num) noexcept;

// A residue's three-byte entry that is no codon of plain bases.
struct UnplainEntry {
    char residue;
    std::string_view entry;
};

// Under a custom table: a codon is accepted when one of the residue's three-byte
// entries spells it (letter case ignored, "U" as "T"); "X", when covered, accepts every
// codon.  Only "*" and A to Z are looked up: no other byte is left in a normalised
// peptide.  The same pass over the lists adds every three-byte entry that is no plain
// codon to `unplain`.
AcceptanceMasks custom_acceptance(const CustomCodonTable& table,
                                  std::vector<UnplainEntry>& unplain);

// The codons that the three-byte entries of `entries` spell, one bit per codon index.
std::uint64_t spelled_codons(CustomCodonTable::CodonList entries) noexcept;

}  // namespace velbrin::codon
