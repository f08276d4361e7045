#pragma once
// A custom table's verdict on a codon that is not plain bases, in time independent of
// the length of the residue's list: the codon is accepted when it equals one of the
// residue's entries, or when one of its resolutions is a codon an entry spells.  The
// spelled codons are one 64-bit mask per residue; the few entries that are no plain
// codon are kept once each, sorted, for the test of equality.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "codon/codon_acceptance.hpp"
#include "genetic_code/custom_codon_table.hpp"

namespace velbrin::codon {

class CustomAmbiguity {
public:
    // Only the residues of a normalised peptide ("*" and A to Z) are read from `table`;
    // `masks` and `unplain` are what custom_acceptance made of it: the spelled codons and
    // the entries that are no plain codon are reused, not read again.
    CustomAmbiguity(const CustomCodonTable& table, const AcceptanceMasks& masks,
                    std::span<const UnplainEntry> unplain);

    // `codon` is three bytes; a residue the table lacks accepts nothing.
    bool accepts(char residue, std::string_view codon) const noexcept;

private:
    std::array<std::uint64_t, 128> spelled_{};    // by residue byte
    std::vector<std::uint32_t> literal_entries_;  // residue, then the entry's three bytes
};

}  // namespace velbrin::codon
