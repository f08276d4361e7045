#include "codon/record_scan.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "codon/vector_level.hpp"

namespace velbrin::codon {
namespace {

// 32 bytes, one AVX2 register, or two SSE2 ones in the portable copy: the compiler's
// vector extension, so one body serves every instruction set.
constexpr std::size_t kBlock = 32;
using Bytes = std::uint8_t __attribute__((vector_size(kBlock)));
using Words = std::uint64_t __attribute__((vector_size(kBlock)));

// Byte-wide counters are emptied after this many blocks, one short of 255 so that a
// last overlapping block still fits.
constexpr std::size_t kBlocksPerRound = 254;

// Loaded at offset `fresh` (1 to 31), the 32 bytes mark the last `fresh` lanes: those of
// a final block that overlaps the block before it.
constexpr std::array<std::uint8_t, 2 * kBlock> kFreshLanes = [] {
    std::array<std::uint8_t, 2 * kBlock> lanes{};
    for (std::size_t at = kBlock; at < lanes.size(); ++at) lanes[at] = 0xFF;
    return lanes;
}();

// Calls `on_block(bytes, fresh)` for every block of `text`, `fresh` marking the lanes
// not seen before, and `on_round()` after every kBlocksPerRound whole blocks that more
// follow.  The bytes after the whole blocks come as the text's last 32 (only their own
// lanes fresh), or, in a text shorter than a block, as a copy padded with "A", which
// every sweep here passes over: no byte-by-byte tail.
template <class OnBlock, class OnRound>
[[gnu::always_inline]] inline void for_each_block(std::string_view text, OnBlock&& on_block,
                                                  OnRound&& on_round) noexcept {
    const std::size_t size = text.size();
    const std::size_t whole = size - size % kBlock;
    Bytes every_lane;
    std::memset(&every_lane, 0xFF, kBlock);
    Bytes bytes;
    for (std::size_t at = 0; at < whole;) {
        const std::size_t end = std::min(whole, at + kBlocksPerRound * kBlock);
        for (; at < end; at += kBlock) {
            std::memcpy(&bytes, text.data() + at, kBlock);
            on_block(bytes, every_lane);
        }
        if (at < whole) on_round();
    }
    if (whole == size) return;
    if (whole != 0) {
        Bytes fresh;
        std::memcpy(&fresh, kFreshLanes.data() + (size - whole), kBlock);
        std::memcpy(&bytes, text.data() + size - kBlock, kBlock);
        on_block(bytes, fresh);
    } else {
        std::memset(&bytes, 'A', kBlock);
        std::memcpy(&bytes, text.data(), size);
        on_block(bytes, every_lane);
    }
}


// The sum of the 32 byte lanes.
[[gnu::always_inline]] inline std::size_t lane_sum(const Bytes& lanes) noexcept {
    Words words;
    std::memcpy(&words, &lanes, kBlock);
    const Words low_bytes = Words{} + 0x00FF00FF00FF00FFULL;
    words = (words & low_bytes) + ((words >> 8) & low_bytes);  // four sums of two
    words = (words * 0x0001000100010001ULL) >> 48;             // their sum in the top
    return std::size_t(words[0] + words[1] + words[2] + words[3]);
}

[[gnu::always_inline]] inline bool any_bit(const Bytes& lanes) noexcept {
    Words words;
    std::memcpy(&words, &lanes, kBlock);
    return (words[0] | words[1] | words[2] | words[3]) != 0;
}

// Whether every byte is ASCII: asked only of a peptide that is not normal.
VELBRIN_WIDE_LOOP bool is_ascii(std::string_view text) noexcept {
    std::uint8_t high = 0;
    for (const char byte : text) high |= std::uint8_t(byte);
    return high < 0x80;
}

}  // namespace

VELBRIN_WIDE_LOOP PeptideScan scan_peptide(std::string_view peptide) noexcept {
    const Bytes zero{};
    Bytes unusual = zero;    // a lane once held a byte that normalising changes
    Bytes gap_lanes = zero;  // "-" bytes per lane in this round
    std::size_t gaps = 0;
    for_each_block(
        peptide,
        [&](const Bytes& bytes, const Bytes& fresh) {
            const Bytes letter = Bytes(Bytes(bytes - std::uint8_t('A')) < std::uint8_t(26)) &
                                 ~Bytes(bytes == std::uint8_t('O')) &
                                 ~Bytes(bytes == std::uint8_t('U'));
            const Bytes gap = Bytes(bytes == std::uint8_t('-'));
            unusual |= ~(letter | gap | Bytes(bytes == std::uint8_t('*')));
            gap_lanes -= gap & fresh;  // a match is 0xFF, minus one
        },
        [&] {
            gaps += lane_sum(gap_lanes);
            gap_lanes = zero;
        });
    PeptideScan scan;
    scan.gaps = gaps + lane_sum(gap_lanes);
    scan.normal = !any_bit(unusual);  // bytes outside ASCII are unusual too
    scan.ascii = scan.normal || is_ascii(peptide);
    return scan;
}

VELBRIN_WIDE_LOOP bool nucleotides_need_normalising(std::string_view bases) noexcept {
    Bytes found{};
    for_each_block(
        bases,
        [&](const Bytes& bytes, const Bytes&) {
            found |= Bytes(Bytes(bytes - std::uint8_t('a')) < std::uint8_t(26)) |
                     Bytes(bytes == std::uint8_t('-')) | Bytes(bytes == std::uint8_t('.'));
        },
        [] {});
    return any_bit(found);
}

}  // namespace velbrin::codon
