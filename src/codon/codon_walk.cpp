#include "codon/codon_walk.hpp"

namespace velbrin::codon {
namespace {

constexpr std::uint64_t kEightGaps = 0x2D2D2D2D2D2D2D2DULL;
static_assert(kEightGaps == 0x0101010101010101ULL * '-');
constexpr char kGapColumns[25] = "------------------------";

}  // namespace

std::size_t walk_blocks(CodonWalk& walk, const AcceptanceMasks& masks, const BlockKernel& kernel) noexcept {
    const std::size_t width = kernel.width;
    const std::size_t first = walk.column;
    if (width == 0) return 0;
    const std::size_t columns = walk.peptide.size();
    while (columns - walk.column >= width && walk.nucleotides.size() - walk.cursor >= 3 * width) {
        const std::size_t matched = kernel.match(walk.peptide.data() + walk.column, walk.nucleotides.data() + walk.cursor,
                                                 masks.owners, walk.line + 3 * walk.column);
        walk.column += matched;
        walk.cursor += 3 * matched;
        if (matched < width) break;
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
    for (; column < columns && residues[column] == '-'; ++column) std::memcpy(line + 3 * column, kGapColumns, 3);
    return column;
}

}  // namespace velbrin::codon
