#include "codon/codon_block_match.hpp"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELBRIN_X86_KERNELS 1
#include <immintrin.h>
#endif

#include <bit>
#include <cstring>
#include <string_view>

#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {
namespace {

#ifdef VELBRIN_X86_KERNELS

// The plain bases differ in their low nibble: "A" 1, "C" 3, "T" 4, "U" 5, "G" 7.  A byte
// is a plain base when it equals the entry of its low nibble; the other entries hold a
// byte of another low nibble, so that nothing equals them.
constexpr std::string_view kPlainBases = "ACGTU";

struct alignas(32) NibbleTable {
    std::array<std::uint8_t, 32> bytes{};  // 16 entries, twice: one copy per 128-bit lane
};

constexpr NibbleTable twice(const std::array<std::uint8_t, 16>& entries) {
    NibbleTable table;
    for (std::size_t at = 0; at < 32; ++at) table.bytes[at] = entries[at % 16];
    return table;
}

constexpr NibbleTable kBaseOfNibble = [] {
    std::array<std::uint8_t, 16> entries{};
    entries[0] = 0xFF;
    for (const char base : kPlainBases) entries[std::uint8_t(base) & 0xF] = std::uint8_t(base);
    return twice(entries);
}();

// The base's digit, placed where its position puts it in the codon index (16, 4, 1).
constexpr std::array<NibbleTable, 3> kPlacedDigit = [] {
    std::array<NibbleTable, 3> tables{};
    for (std::size_t position = 0; position < 3; ++position) {
        std::array<std::uint8_t, 16> entries{};
        for (const char base : kPlainBases) {
            entries[std::uint8_t(base) & 0xF] =
                std::uint8_t(detail::nucleotide_digit(base) << (4 - 2 * position));
        }
        tables[position] = twice(entries);
    }
    return tables;
}();

constexpr bool nibble_tables_find_exactly_the_plain_bases() {
    for (int byte = 0; byte < 256; ++byte) {
        const bool plain = kPlainBases.find(char(byte)) != std::string_view::npos;
        if ((kBaseOfNibble.bytes[byte & 0xF] == byte) != plain) return false;
        if (plain && kPlacedDigit[2].bytes[byte & 0xF] != detail::nucleotide_digit(char(byte)))
            return false;
    }
    return true;
}
static_assert(nibble_tables_find_exactly_the_plain_bases());

// Byte shuffles that gather base `position` of 16 codons (48 bytes in three registers)
// from register `source`: entry k takes byte 3k + position - 16 * source, 0x80 (zero)
// when that byte lies in another register.
constexpr std::array<std::array<NibbleTable, 3>, 3> kGather = [] {
    std::array<std::array<NibbleTable, 3>, 3> tables{};
    for (std::size_t position = 0; position < 3; ++position) {
        for (std::size_t source = 0; source < 3; ++source) {
            std::array<std::uint8_t, 16> entries{};
            for (std::size_t k = 0; k < 16; ++k) {
                const std::size_t offset = 3 * k + position;
                const bool here = offset >= 16 * source && offset < 16 * (source + 1);
                entries[k] = here ? std::uint8_t(offset - 16 * source) : 0x80;
            }
            tables[position][source] = twice(entries);
        }
    }
    return tables;
}();
static_assert(kGather[0][0].bytes[5] == 15 && kGather[0][1].bytes[6] == 2 &&
              kGather[2][2].bytes[15] == 15);

// ---- 16 columns with SSSE3

[[gnu::target("ssse3")]] inline __m128i load16(const void* at) noexcept {
    return _mm_loadu_si128(static_cast<const __m128i*>(at));
}

[[gnu::target("ssse3")]] inline __m128i table16(const NibbleTable& table) noexcept {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table.bytes.data()));
}

// The codon index of each lane's bases at `position`, with bit 7 set when a byte is
// not a plain base.
[[gnu::target("ssse3")]] inline __m128i placed_digits16(__m128i bases,
                                                        std::size_t position) noexcept {
    const __m128i nibbles = _mm_and_si128(bases, _mm_set1_epi8(0x0F));
    const __m128i plain = _mm_cmpeq_epi8(bases, _mm_shuffle_epi8(table16(kBaseOfNibble), nibbles));
    const __m128i digits = _mm_shuffle_epi8(table16(kPlacedDigit[position]), nibbles);
    return _mm_or_si128(digits, _mm_andnot_si128(plain, _mm_set1_epi8(char(0x80))));
}

// Entry `index` of the 64 owners; 0 for an index with bit 7 set.  Each quarter's table
// is asked with index - 16 * quarter, pushed by a saturating add to 0x70..0x7F when it
// falls in that quarter and to 0x80 or more (which a shuffle reads as 0) when not.
[[gnu::target("ssse3")]] inline __m128i owners16(const CodonOwners& owners,
                                                 __m128i index) noexcept {
    __m128i found = _mm_setzero_si128();
    for (int quarter = 0; quarter < 4; ++quarter) {
        const __m128i local = _mm_sub_epi8(index, _mm_set1_epi8(char(16 * quarter)));
        const __m128i ask = _mm_adds_epu8(local, _mm_set1_epi8(0x70));
        found = _mm_or_si128(found,
                             _mm_shuffle_epi8(load16(owners.residue.data() + 16 * quarter), ask));
    }
    return found;
}

[[gnu::target("ssse3")]] std::size_t match_block_ssse3(const char* residues, const char* bases,
                                                       const CodonOwners& owners,
                                                       char* line) noexcept {
    const __m128i source[3] = {load16(bases), load16(bases + 16), load16(bases + 32)};
    __m128i index = _mm_setzero_si128();
    for (std::size_t position = 0; position < 3; ++position) {
        __m128i gathered = _mm_setzero_si128();
        for (std::size_t from = 0; from < 3; ++from) {
            gathered = _mm_or_si128(
                gathered, _mm_shuffle_epi8(source[from], table16(kGather[position][from])));
        }
        index = _mm_or_si128(index, placed_digits16(gathered, position));
    }
    const __m128i matched = _mm_cmpeq_epi8(owners16(owners, index), load16(residues));
    std::memcpy(line, bases, 48);
    return std::size_t(std::countr_one(unsigned(_mm_movemask_epi8(matched))));
}

// ---- 32 columns with AVX2: lane 0 takes columns 0-15, lane 1 columns 16-31, each as above

[[gnu::target("avx2")]] inline __m256i load_lanes(const char* low, const char* high) noexcept {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load16(low)), load16(high), 1);
}

[[gnu::target("avx2")]] inline __m256i table32(const NibbleTable& table) noexcept {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(table.bytes.data()));
}

[[gnu::target("avx2")]] inline __m256i placed_digits32(__m256i bases,
                                                       std::size_t position) noexcept {
    const __m256i nibbles = _mm256_and_si256(bases, _mm256_set1_epi8(0x0F));
    const __m256i plain =
        _mm256_cmpeq_epi8(bases, _mm256_shuffle_epi8(table32(kBaseOfNibble), nibbles));
    const __m256i digits = _mm256_shuffle_epi8(table32(kPlacedDigit[position]), nibbles);
    return _mm256_or_si256(digits, _mm256_andnot_si256(plain, _mm256_set1_epi8(char(0x80))));
}

[[gnu::target("avx2")]] inline __m256i owners32(const CodonOwners& owners, __m256i index) noexcept {
    __m256i found = _mm256_setzero_si256();
    for (int quarter = 0; quarter < 4; ++quarter) {
        const __m256i local = _mm256_sub_epi8(index, _mm256_set1_epi8(char(16 * quarter)));
        const __m256i ask = _mm256_adds_epu8(local, _mm256_set1_epi8(0x70));
        const __m256i table =
            _mm256_broadcastsi128_si256(load16(owners.residue.data() + 16 * quarter));
        found = _mm256_or_si256(found, _mm256_shuffle_epi8(table, ask));
    }
    return found;
}

[[gnu::target("avx2")]] std::size_t match_block_avx2(const char* residues, const char* bases,
                                                     const CodonOwners& owners,
                                                     char* line) noexcept {
    const __m256i source[3] = {load_lanes(bases, bases + 48), load_lanes(bases + 16, bases + 64),
                               load_lanes(bases + 32, bases + 80)};
    __m256i index = _mm256_setzero_si256();
    for (std::size_t position = 0; position < 3; ++position) {
        __m256i gathered = _mm256_setzero_si256();
        for (std::size_t from = 0; from < 3; ++from) {
            gathered = _mm256_or_si256(
                gathered, _mm256_shuffle_epi8(source[from], table32(kGather[position][from])));
        }
        index = _mm256_or_si256(index, placed_digits32(gathered, position));
    }
    const __m256i own_residues = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(residues));
    const __m256i matched = _mm256_cmpeq_epi8(owners32(owners, index), own_residues);
    std::memcpy(line, bases, 96);
    return std::size_t(std::countr_one(unsigned(_mm256_movemask_epi8(matched))));
}

#endif  // VELBRIN_X86_KERNELS

}  // namespace

BlockKernel block_kernel(VectorLevel level) noexcept {
#ifdef VELBRIN_X86_KERNELS
    switch (level) {
        case VectorLevel::avx2: return {32, match_block_avx2};
        case VectorLevel::ssse3: return {16, match_block_ssse3};
        case VectorLevel::portable: break;
    }
#else
    (void)level;
#endif
    return {};
}

}  // namespace velbrin::codon
