#pragma once
// Decides a block of consecutive columns at once with vector instructions: each codon
// of plain upper-case bases becomes its index, the index looks up the codon's owner (a
// residue that accepts it), and a column whose residue is that owner is accepted.  Any
// other column (a gap, an ambiguous codon, a residue such as "X" or "B") ends the block
// and is left to the scalar rules.

#include <array>
#include <cstddef>
#include <cstdint>

#include "codon/vector_level.hpp"

namespace velbrin::codon {

// For each codon index, a residue byte whose verdict on that codon is "accepted", or 0
// when no residue is given (then no column matches: normalised residues are never 0).
struct CodonOwners {
    alignas(16) std::array<std::uint8_t, 64> residue{};
};

// Matches `width` columns: reads that many residues and three times as many bases,
// writes the bases (all of them, also past the matched columns) to `line`, and returns
// how many leading columns matched.
using BlockMatcher = std::size_t (*)(const char* residues, const char* bases,
                                     const CodonOwners& owners, char* line) noexcept;

struct BlockKernel {
    std::size_t width = 0;  // 0: no vector kernel at this level
    BlockMatcher match = nullptr;
};

BlockKernel block_kernel(VectorLevel level) noexcept;

}  // namespace velbrin::codon
