#include "codon/record_scan.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "codon/vector_level.hpp"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELBRIN_X86_SCANS 1
#include <immintrin.h>
#endif

namespace velbrin::codon {
namespace {

constexpr std::size_t kBlock = 32;  // one AVX2 register

// Loaded at offset `fresh` (1 to 31), the 32 bytes mark the last `fresh` lanes: those of
// a final block that overlaps the block before it.
[[maybe_unused]] constexpr std::array<std::uint8_t, 2 * kBlock> kFreshLanes = [] {
    std::array<std::uint8_t, 2 * kBlock> lanes{};
    for (std::size_t at = kBlock; at < lanes.size(); ++at) lanes[at] = 0xFF;
    return lanes;
}();

// Byte tests with bitwise logic only, no branches, so the loops below vectorise.
constexpr std::uint8_t keeps(std::uint8_t byte) noexcept {
    const std::uint8_t letter = (std::uint8_t(byte - 'A') < 26) & (byte != 'O') & (byte != 'U');
    return letter | (byte == '*') | (byte == '-');
}

constexpr bool keeps_the_normal_residues() {
    for (int byte = 0; byte < 256; ++byte) {
        if ((keeps(std::uint8_t(byte)) != 0) != is_normal_residue(std::uint8_t(byte))) return false;
    }
    return true;
}
static_assert(keeps_the_normal_residues());

// Whether every byte is ASCII: asked only of a peptide that is not normal.
bool is_ascii(std::string_view text) noexcept {
    std::uint8_t high = 0;
    for (const char byte : text) high |= std::uint8_t(byte);
    return high < 0x80;
}

// The portable sweeps: byte loops the compiler vectorises for the target's baseline
// (SSE2 on any x86-64), gaps counted in byte counters emptied every 255 bytes.
[[gnu::noinline]] PeptideScan scan_peptide_portable(std::string_view peptide) noexcept {
    constexpr std::size_t kChunk = 255;
    const auto* const bytes = reinterpret_cast<const std::uint8_t*>(peptide.data());
    std::size_t gaps = 0;
    std::uint8_t kept = 1;
    for (std::size_t at = 0; at < peptide.size(); at += kChunk) {
        const std::size_t chunk = std::min(peptide.size() - at, kChunk);
        std::uint8_t chunk_gaps = 0;
        for (std::size_t k = 0; k < chunk; ++k) {
            chunk_gaps += bytes[at + k] == '-';
            kept &= keeps(bytes[at + k]);
        }
        gaps += chunk_gaps;
    }
    PeptideScan scan;
    scan.gaps = gaps;
    scan.normal = kept != 0;  // bytes outside ASCII are not kept either
    scan.ascii = scan.normal || is_ascii(peptide);
    return scan;
}

[[gnu::noinline]] bool nucleotides_need_normalising_portable(std::string_view bases) noexcept {
    std::uint8_t found = 0;
    for (const char c : bases) {
        const auto byte = std::uint8_t(c);
        found |= (std::uint8_t(byte - 'a') < 26) | (byte == '-') | (byte == '.');
    }
    return found != 0;
}

#ifdef VELBRIN_X86_SCANS

// ---- AVX2: the same sweeps, 32 bytes a register, gaps summed by SAD into 64-bit lanes
// (no counter to empty) and every verdict taken once at the end.

[[gnu::target("avx2")]] inline __m256i load32(const char* at) noexcept {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

[[gnu::target("avx2")]] inline __m256i splat32(char byte) noexcept {
    return _mm256_set1_epi8(byte);
}

// Lanes whose byte lies in [first, first + count).
[[gnu::target("avx2")]] inline __m256i in_range32(__m256i bytes, char first, char count) noexcept {
    const __m256i offset = _mm256_sub_epi8(bytes, splat32(first));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, splat32(char(count - 1))), offset);
}

// Lanes whose byte normalising keeps: a residue letter, "*" or "-".
[[gnu::target("avx2")]] inline __m256i kept32(__m256i bytes, __m256i gaps) noexcept {
    const __m256i o_or_u = _mm256_or_si256(_mm256_cmpeq_epi8(bytes, splat32('O')),
                                           _mm256_cmpeq_epi8(bytes, splat32('U')));
    const __m256i letter = _mm256_andnot_si256(o_or_u, in_range32(bytes, 'A', 26));
    return _mm256_or_si256(letter, _mm256_or_si256(gaps, _mm256_cmpeq_epi8(bytes, splat32('*'))));
}

[[gnu::target("avx2")]] PeptideScan scan_peptide_avx2(std::string_view peptide) noexcept {
    const std::size_t size = peptide.size();
    const char* const text = peptide.data();
    __m256i kept = _mm256_set1_epi8(char(0xFF));
    __m256i gap_sums = _mm256_setzero_si256();  // four 64-bit sums
    const __m256i one = splat32(1);
    std::size_t at = 0;
    for (; at + kBlock <= size; at += kBlock) {
        const __m256i bytes = load32(text + at);
        const __m256i gaps = _mm256_cmpeq_epi8(bytes, splat32('-'));
        kept = _mm256_and_si256(kept, kept32(bytes, gaps));
        gap_sums = _mm256_add_epi64(
            gap_sums, _mm256_sad_epu8(_mm256_and_si256(gaps, one), _mm256_setzero_si256()));
    }
    if (at != size) {  // the last 32 bytes; only lanes past `at` count their gaps
        const __m256i bytes = load32(text + size - kBlock);
        const __m256i fresh =
            load32(reinterpret_cast<const char*>(kFreshLanes.data()) + (size - at));
        const __m256i gaps = _mm256_cmpeq_epi8(bytes, splat32('-'));
        kept = _mm256_and_si256(kept, kept32(bytes, gaps));
        gap_sums = _mm256_add_epi64(
            gap_sums, _mm256_sad_epu8(_mm256_and_si256(gaps, _mm256_and_si256(fresh, one)),
                                      _mm256_setzero_si256()));
    }
    const __m128i halves =
        _mm_add_epi64(_mm256_castsi256_si128(gap_sums), _mm256_extracti128_si256(gap_sums, 1));
    PeptideScan scan;
    scan.gaps = std::size_t(_mm_cvtsi128_si64(halves)) + std::size_t(_mm_extract_epi64(halves, 1));
    scan.normal = _mm256_movemask_epi8(kept) == -1;
    scan.ascii = scan.normal || is_ascii(peptide);
    return scan;
}

// Lanes holding a lower-case letter or a gap sign.
[[gnu::target("avx2")]] inline __m256i unnormal_bases32(const char* at) noexcept {
    const __m256i bytes = load32(at);
    const __m256i gap_signs = _mm256_or_si256(_mm256_cmpeq_epi8(bytes, splat32('-')),
                                              _mm256_cmpeq_epi8(bytes, splat32('.')));
    return _mm256_or_si256(in_range32(bytes, 'a', 26), gap_signs);
}

[[gnu::target("avx2")]] bool nucleotides_need_normalising_avx2(std::string_view bases) noexcept {
    const std::size_t size = bases.size();
    __m256i found = _mm256_setzero_si256();
    std::size_t at = 0;
    for (; at + kBlock <= size; at += kBlock)
        found = _mm256_or_si256(found, unnormal_bases32(bases.data() + at));
    if (at != size) found = _mm256_or_si256(found, unnormal_bases32(bases.data() + size - kBlock));
    return !_mm256_testz_si256(found, found);
}

#endif

}  // namespace

// Texts shorter than a block take the portable sweep.
PeptideScan scan_peptide(std::string_view peptide) noexcept {
#ifdef VELBRIN_X86_SCANS
    if (peptide.size() >= kBlock && active_vector_level() == VectorLevel::avx2)
        return scan_peptide_avx2(peptide);
#endif
    return scan_peptide_portable(peptide);
}

bool nucleotides_need_normalising(std::string_view bases) noexcept {
#ifdef VELBRIN_X86_SCANS
    if (bases.size() >= kBlock && active_vector_level() == VectorLevel::avx2)
        return nucleotides_need_normalising_avx2(bases);
#endif
    return nucleotides_need_normalising_portable(bases);
}

}  // namespace velbrin::codon
