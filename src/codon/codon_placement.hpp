#pragma once
// A codon row put together without judging a codon: each gap column of the peptide
// becomes "---" and each residue the next three bases.  For a record the walk wrote from
// its texts as given (nothing normalised, no codon masked), this is the same row again,
// at the cost of a copy.

#include <string_view>

namespace velbrin::codon {

// Writes 3 * peptide.size() bytes to `line`; false, with `line` unfinished, when the
// nucleotides run out before the residues do.
bool place_codons(std::string_view peptide, std::string_view nucleotides, char* line) noexcept;

}  // namespace velbrin::codon
