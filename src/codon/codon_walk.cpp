#include "codon/codon_walk.hpp"

#include <array>

namespace velbrin::codon {
namespace {

constexpr std::uint64_t kEightGaps = 0x2D2D2D2D2D2D2D2DULL;
static_assert(kEightGaps == 0x0101010101010101ULL * '-');
constexpr char kGapColumns[25] = "------------------------";

// The columns left after the whole blocks, matched as one block in a padded copy: the
// padding residues are gaps, which no codon's owner is, so no padding column matches.
std::size_t match_last_block(CodonWalk& walk, const AcceptanceMasks& masks,
                             const BlockKernel& kernel) noexcept {
    constexpr std::size_t kMostColumns = 32;
    const std::size_t columns =
        std::min(walk.peptide.size() - walk.column, (walk.nucleotides.size() - walk.cursor) / 3);
    if (columns == 0 || kernel.width > kMostColumns) return 0;
    std::array<char, kMostColumns> residues;
    residues.fill('-');
    std::array<char, 3 * kMostColumns> bases;
    bases.fill('A');
    std::array<char, 3 * kMostColumns> line;
    std::memcpy(residues.data(), walk.peptide.data() + walk.column, columns);
    std::memcpy(bases.data(), walk.nucleotides.data() + walk.cursor, 3 * columns);
    const std::size_t matched =
        kernel.match(residues.data(), bases.data(), masks.owners, line.data());
    std::memcpy(walk.line + 3 * walk.column, line.data(), 3 * matched);
    walk.column += matched;
    walk.cursor += 3 * matched;
    return matched;
}

// The columns left after a block the kernel matched whole, matched as the block that ends
// at the last of them: it reads again columns that block matched, which match again (the
// kernel decides each column by its residue and codon alone) and are written again with
// the same bases.  No copy is needed.
std::size_t match_overlapping_last_block(CodonWalk& walk, const AcceptanceMasks& masks,
                                         const BlockKernel& kernel) noexcept {
    const std::size_t columns =
        std::min(walk.peptide.size() - walk.column, (walk.nucleotides.size() - walk.cursor) / 3);
    if (columns == 0) return 0;
    const std::size_t again = kernel.width - columns;
    const std::size_t start = walk.column - again;
    const std::size_t matched =
        kernel.match(walk.peptide.data() + start, walk.nucleotides.data() + walk.cursor - 3 * again,
                     masks.owners, walk.line + 3 * start);
    const std::size_t fresh = matched > again ? matched - again : 0;
    walk.column += fresh;
    walk.cursor += 3 * fresh;
    return fresh;
}

}  // namespace

std::size_t walk_blocks(CodonWalk& walk, const AcceptanceMasks& masks,
                        const BlockKernel& kernel) noexcept {
    const std::size_t width = kernel.width;
    const std::size_t first = walk.column;
    if (width == 0) return 0;
    const std::size_t columns = walk.peptide.size();
    bool whole_block_behind = false;  // the `width` columns before the walk's matched
    for (;;) {
        if (columns - walk.column < width || walk.nucleotides.size() - walk.cursor < 3 * width) {
            if (whole_block_behind) {
                match_overlapping_last_block(walk, masks, kernel);
            } else {
                match_last_block(walk, masks, kernel);
            }
            break;
        }
        const std::size_t matched =
            kernel.match(walk.peptide.data() + walk.column, walk.nucleotides.data() + walk.cursor,
                         masks.owners, walk.line + 3 * walk.column);
        walk.column += matched;
        walk.cursor += 3 * matched;
        if (matched < width) break;
        whole_block_behind = true;
    }
    return walk.column - first;
}

std::size_t write_gap_run(std::string_view peptide, std::size_t column, char* line) noexcept {
    const char* const residues = peptide.data();
    const std::size_t columns = peptide.size();
    for (; columns - column >= 8; column += 8) {  // eight columns at a time where it can
        std::uint64_t eight;
        std::memcpy(&eight, residues + column, 8);
        if (eight != kEightGaps) break;
        std::memcpy(line + 3 * column, kGapColumns, 24);
    }
    for (; column < columns && residues[column] == '-'; ++column)
        std::memcpy(line + 3 * column, kGapColumns, 3);
    return column;
}

}  // namespace velbrin::codon
