#include "codon/codon_walk.hpp"

#include <array>

namespace velbrin::codon {
namespace {

constexpr std::uint8_t kNoPair = 16;  // an empty slot of every row

// 4 * digit(first) + digit(second) of two bytes read as one little-endian 16-bit
// value, or kNoPair when either is not a plain base.  Only the 25 entries of base
// pairs are ever hot, so the table stays in a few cache lines.
constexpr std::array<std::uint8_t, 65536> kPairSlot = [] {
    constexpr std::string_view kPlainBases = "TCAGUtcagu";
    std::array<std::uint8_t, 65536> slots{};
    slots.fill(kNoPair);
    for (const char first : kPlainBases) {
        for (const char second : kPlainBases) {
            const auto both = std::size_t(std::uint8_t(first)) | (std::size_t(std::uint8_t(second)) << 8);
            slots[both] = std::uint8_t(4 * detail::nucleotide_digit(first) + detail::nucleotide_digit(second));
        }
    }
    return slots;
}();
static_assert(kPairSlot['A' | ('U' << 8)] == 8 && kPairSlot['g' | ('C' << 8)] == 13);
static_assert(kPairSlot['N' | ('A' << 8)] == kNoPair && kPairSlot['A' | ('-' << 8)] == kNoPair);

// The bit of a third base (1 << digit), 0 for anything else.
constexpr std::array<std::uint8_t, 256> kThirdBaseBit = [] {
    std::array<std::uint8_t, 256> bits{};
    for (std::size_t byte = 0; byte < bits.size(); ++byte) {
        const int digit = detail::nucleotide_digit(char(byte));
        bits[byte] = digit < 0 ? 0 : std::uint8_t(1u << digit);
    }
    return bits;
}();

std::uint16_t load_pair(const char* bytes) noexcept {
    const auto* unsigned_bytes = reinterpret_cast<const std::uint8_t*>(bytes);
    return std::uint16_t(unsigned_bytes[0] | (unsigned_bytes[1] << 8));
}

// A codon of plain bases that the residue's mask accepts.
bool accepted_plain_codon(const AcceptanceMasks& masks, char residue, const char* codon) noexcept {
    const std::size_t row = (std::uint8_t(residue) & 0x7F) * AcceptanceMasks::kPairSlots;
    const std::uint8_t accepted_thirds = masks.third_bases[row + kPairSlot[load_pair(codon)]];
    return (accepted_thirds & kThirdBaseBit[std::uint8_t(codon[2])]) != 0;
}

}  // namespace

void walk_blocks(CodonWalk& walk, const AcceptanceMasks& masks, const BlockKernel& kernel) noexcept {
    const std::size_t width = kernel.width;
    if (width == 0) return;
    const std::size_t columns = walk.peptide.size();
    while (columns - walk.column >= width && walk.nucleotides.size() - walk.cursor >= 3 * width) {
        const std::size_t matched = kernel.match(walk.peptide.data() + walk.column, walk.nucleotides.data() + walk.cursor,
                                                 masks.owners, walk.line + 3 * walk.column);
        walk.column += matched;
        walk.cursor += 3 * matched;
        if (matched < width) return;
    }
}

bool walk_single_columns(CodonWalk& walk, const AcceptanceMasks& masks, std::size_t stop) noexcept {
    const char* const residues = walk.peptide.data();
    const char* const bases = walk.nucleotides.data();
    const std::size_t codon_end = walk.nucleotides.size();
    std::size_t column = walk.column;
    std::size_t cursor = walk.cursor;
    bool reached = true;
    for (; column < stop; ++column) {
        const char residue = residues[column];
        if (residue == '-') {
            std::memcpy(walk.line + 3 * column, "---", 3);
            continue;
        }
        if (codon_end - cursor < 3 || !accepted_plain_codon(masks, residue, bases + cursor)) {
            reached = false;
            break;
        }
        std::memcpy(walk.line + 3 * column, bases + cursor, 3);
        cursor += 3;
    }
    walk.column = column;
    walk.cursor = cursor;
    return reached;
}

}  // namespace velbrin::codon
