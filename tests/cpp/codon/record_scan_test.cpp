// The record scans work in blocks of 32 bytes with a last block that overlaps the one
// before it (AVX2), or count gaps in byte counters emptied every 255 bytes (portable):
// at every level, every byte counts once, wherever it lies.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "codon/record_scan.hpp"
#include "codon/vector_level.hpp"

namespace velbrin::codon {
namespace {

PeptideScan plain_scan(std::string_view peptide) {
    PeptideScan scan{0, true, true};
    for (const char c : peptide) {
        scan.gaps += c == '-';
        scan.normal = scan.normal && is_normal_residue(std::uint8_t(c));
        scan.ascii = scan.ascii && std::uint8_t(c) < 0x80;
    }
    return scan;
}

bool plain_needs_normalising(std::string_view bases) {
    return std::any_of(bases.begin(), bases.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '-' || c == '.'; });
}

// A text of `length` bytes of `filler` with `marker` at `at` (none when at == length).
std::string marked(std::size_t length, char filler, char marker, std::size_t at) {
    std::string text(length, filler);
    if (at < length) text[at] = marker;
    return text;
}

class RecordScan : public testing::TestWithParam<std::tuple<char, VectorLevel>> {};

TEST_P(RecordScan, AgreesWithAPlainLoopAtEveryLengthAndPlace) {
    const auto [marker, level] = GetParam();
    if (level > supported_vector_level()) GTEST_SKIP() << "this CPU lacks the level";
    struct Restore {
        VectorLevel previous = active_vector_level();
        ~Restore() { use_vector_level(previous); }
    } restore;
    use_vector_level(level);
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length <= 70; ++length) lengths.push_back(length);
    lengths.insert(lengths.end(), {254 * 32, 254 * 32 + 1, 255 * 32 + 5, 600 * 32 + 31});
    for (const std::size_t length : lengths) {
        const std::size_t step = length > 100 ? 97 : 1;
        for (std::size_t at = 0; at <= length; at += step) {
            // gaps between the residues, so that every lane counts some
            std::string peptide = marked(length, 'M', marker, at);
            for (std::size_t k = 5; k < length; k += 7) peptide[k] = k == at ? marker : '-';
            const PeptideScan seen = scan_peptide(peptide);
            const PeptideScan expected = plain_scan(peptide);
            ASSERT_EQ(seen.gaps, expected.gaps) << length << " " << at;
            ASSERT_EQ(seen.normal, expected.normal) << length << " " << at;
            ASSERT_EQ(seen.ascii, expected.ascii) << length << " " << at;
            const std::string bases = marked(length, 'A', marker, at);
            ASSERT_EQ(nucleotides_need_normalising(bases), plain_needs_normalising(bases))
                << length << " " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Markers, RecordScan,
                         testing::Combine(testing::Values('-', '.', 'm', 'O', 'U', '*', 'X', 'a',
                                                          'z', '@', '[', '\x80', '\xC3', '\xFF'),
                                          testing::Values(VectorLevel::portable,
                                                          VectorLevel::avx2)));

}  // namespace
}  // namespace velbrin::codon
