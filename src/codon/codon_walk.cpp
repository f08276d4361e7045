#include "codon/codon_walk.hpp"

#include <algorithm>
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

// Checks the codons of the residues [column, end), which hold no gap, against the
// masks; returns the first column whose codon is not a plain accepted one.
std::size_t check_plain_run(const char* residues, std::size_t column, std::size_t end, const char* codon,
                            const std::uint8_t* third_bases) noexcept {
    for (; column < end; ++column, codon += 3) {
        const std::size_t row = (std::uint8_t(residues[column]) & 0x7F) * AcceptanceMasks::kPairSlots;
        const std::uint8_t accepted_thirds = third_bases[row + kPairSlot[load_pair(codon)]];
        if ((accepted_thirds & kThirdBaseBit[std::uint8_t(codon[2])]) == 0) break;
    }
    return column;
}

}  // namespace

std::size_t walk_plain_codons(std::string_view peptide, std::size_t column, std::string_view nucleotides,
                              std::size_t& cursor, const AcceptanceMasks& masks, char* line) noexcept {
    const char* const residues = peptide.data();
    const std::size_t columns = peptide.size();
    const char* const bases = nucleotides.data();
    while (column < columns) {
        if (residues[column] == '-') {
            std::memcpy(line + 3 * column, "---", 3);
            ++column;
            continue;
        }
        // A run of residues: their codons are consecutive in the nucleotides.
        const auto* gap = static_cast<const char*>(std::memchr(residues + column, '-', columns - column));
        const std::size_t run_end = gap == nullptr ? columns : std::size_t(gap - residues);
        const std::size_t codons_left = (nucleotides.size() - cursor) / 3;
        const std::size_t end = std::min(run_end, column + codons_left);
        const std::size_t checked = check_plain_run(residues, column, end, bases + cursor, masks.third_bases.data());
        const std::size_t run_bytes = 3 * (checked - column);
        std::memcpy(line + 3 * column, bases + cursor, run_bytes);
        cursor += run_bytes;
        column = checked;
        if (checked < run_end) break;
    }
    return column;
}

}  // namespace velbrin::codon
