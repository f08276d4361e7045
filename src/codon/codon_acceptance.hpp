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
#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/iupac_bases.hpp"

namespace velbrin::codon {

struct AcceptanceMasks {
    std::array<std::uint64_t, 128> accepted{};  // by residue byte
    std::array<bool, 128> covered{};            // the code knows the residue at all

    // For the vector checks: each codon's owner, a residue that accepts it, taken from
    // the letters a table assigns ahead of "B", "J" and "Z"; "X" owns none.
    CodonOwners owners;
};

namespace detail {

// [position][byte]: the codons whose base at that position is one the byte resolves to
// (a base set's bit k is the base of digit k, and a codon's index is
// 16 * first + 4 * second + third).
inline constexpr auto kCodonsByLetter = [] {
    std::array<std::array<std::uint64_t, 256>, 3> codons{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const iupac::BaseSet bases = iupac::resolution_set(char(byte));
        for (std::size_t index = 0; index < kCodonCount; ++index) {
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

// The indices of the codons that `codon`'s letters (plain bases and IUPAC ambiguity
// letters, either case) resolve to; none when it is not three bytes or a byte resolves
// to nothing.  A residue accepts an ambiguous codon under an NCBI table when this meets
// its mask, and under any code a codon whose resolutions meet the mask is accepted.
// (Defined here: the walk asks it for every column it decides alone.)
inline std::uint64_t resolution_codons(std::string_view codon) noexcept {
    if (codon.size() != 3) return 0;
    return detail::kCodonsByLetter[0][std::uint8_t(codon[0])] &
           detail::kCodonsByLetter[1][std::uint8_t(codon[1])] &
           detail::kCodonsByLetter[2][std::uint8_t(codon[2])];
}

// Under a 64-letter NCBI table string, through the amino-acid signature; "X" accepts
// every codon.  Residue bytes other than "*" and A to Z keep empty masks, so their
// codons take the full rules.
AcceptanceMasks ncbi_acceptance(std::string_view table) noexcept;

// Under a custom table: a codon is accepted when one of the residue's three-byte
// entries spells it (letter case ignored, "U" as "T"); "X", when covered, accepts every
// codon.  Only "*" and A to Z are looked up: no other byte is left in a normalised
// peptide.
AcceptanceMasks custom_acceptance(const CustomCodonTable& table) noexcept;

// The codons that the three-byte entries of `entries` spell, one bit per codon index.
std::uint64_t spelled_codons(CustomCodonTable::CodonList entries) noexcept;

}  // namespace velbrin::codon
