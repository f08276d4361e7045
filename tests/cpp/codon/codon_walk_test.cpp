// The walk's fast path (acceptance masks, whole runs between gaps) must decide every
// codon exactly as the full rules do.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "codon/alignment.hpp"
#include "genetic_code/genetic_code.hpp"
#include "text/unicode_text.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

constexpr std::string_view kResidues = "*ABCDEFGHIJKLMNPQRSTVWXYZ";
constexpr std::string_view kLetters = "ACGTUNRYSXacr-\xC3";

bool holds_n(std::string_view codon) { return codon.find('N') != std::string_view::npos; }

bool ncbi_reference(std::string_view table, char residue, std::string_view codon) {
    if (!text::is_valid_utf8(codon)) return false;
    if (residue == 'X' || holds_n(codon)) return true;
    const auto index = codon_index(codon);
    if (index && iupac::signature_admits(residue, table[*index])) return true;
    return iupac::ambiguous_triplet_matches_signature(table, residue, codon);
}

// The record map views its texts, which must outlive it.
struct OneRecord {
    std::string peptide;
    std::string nucleotides;
    RecordMap map() const {
        RecordMap records;
        records.insert_new({"k", {"h", peptide}, {"h", nucleotides}});
        return records;
    }
};

RecordMap one_record(const OneRecord& texts) { return texts.map(); }

std::string upper(std::string text) {
    for (char& c : text) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    return text;
}

// Every three-letter codon over kLetters, after the upper-casing the walk sees.
template <class Visit>
void for_each_codon(Visit visit) {
    for (char a : kLetters)
        for (char b : kLetters)
            for (char c : kLetters) visit(std::string{a, b, c});
}

class NcbiWalk : public testing::TestWithParam<int> {};

TEST_P(NcbiWalk, FastPathAgreesWithTheFullRules) {
    const std::string_view table = *ncbi_table(GetParam());
    for (const char residue : kResidues) {
        for_each_codon([&](const std::string& codon) {
            if (codon.find('-') != std::string::npos) return;  // gap signs are dropped before the walk
            // the residue sits inside a run, after an accepted codon and before a gap
            const OneRecord texts{std::string("M") + residue + "-", "ATG" + codon};
            const auto outcome = align_with_ncbi_code("a", "n", GetParam(), one_record(texts));
            const bool expected = ncbi_reference(table, residue, upper(codon));
            ASSERT_EQ(std::holds_alternative<std::string>(outcome), expected) << residue << " " << codon;
            if (expected) {
                EXPECT_EQ(std::get<std::string>(outcome), "k\nATG" + upper(codon) + "---\n");
            }
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, NcbiWalk, testing::Values(1, 33));

using TableEntries = std::vector<std::pair<char32_t, std::vector<std::string>>>;

class CustomWalk : public testing::TestWithParam<TableEntries> {};

// The reference is the rule as first written: an entry equal to the codon, else a scan of
// the residue's whole list for an entry the codon covers.
TEST_P(CustomWalk, FastPathAgreesWithTheFullRules) {
    CustomCodonTable table;
    for (const auto& [symbol, codons] : GetParam()) table.insert_or_replace(symbol, codons);
    for (const char residue : std::string_view("MK*XWC")) {
        const CustomCodonTable::CodonList* allowed = table.find(char32_t(residue));
        for_each_codon([&](const std::string& codon) {
            if (codon.find('-') != std::string::npos) return;
            const std::string seen = upper(codon);
            const OneRecord texts{std::string("M") + residue, "ATG" + codon};
            const auto outcome = align_with_custom_code("a", "n", table, one_record(texts));
            bool expected = false;
            if (allowed != nullptr && text::is_valid_utf8(seen)) {
                expected = residue == 'X' || holds_n(seen) ||
                           std::find(allowed->begin(), allowed->end(), seen) != allowed->end() ||
                           iupac::has_iupac_match(seen, *allowed);
            }
            ASSERT_EQ(std::holds_alternative<std::string>(outcome), expected) << residue << " " << codon;
        });
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CustomWalk,
    testing::Values(TableEntries{{'M', {"ATG", "aug"}}, {'K', {"AAR", "AAA", "CC"}}, {'*', {"TAA", "TUG"}}, {'X', {}}},
                    // entries that are no plain codon, repeated entries, every length
                    TableEntries{{'M', {"ATG", "ATG", "ARG", "AXA", "AXA", "A-A"}},
                              {'K', {"AAA", "AAA", "RYS", "aaY", "", "AAAA", "\xC3" "AA"}},
                              {'*', {"TRA", "T.A", "tuR"}},
                              {'W', {}},
                              {'X', {"XXX"}}}));

TEST(Walk, GapsAndRunsComeOutInPlace) {
    const OneRecord texts{"--MK---W-", "ATGAAATGG"};
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts));
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "k\n------ATGAAA---------TGG---\n");
}

TEST(Walk, WritesIntoTheOfferedBufferAtTheExactSize) {
    const OneRecord texts{" m-k\n", "atgAAA"};
    std::string buffer;
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts), [&](std::size_t size) {
        buffer.assign(size, '?');
        return buffer.data();
    });
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "");
    EXPECT_EQ(buffer, "k\nATG---AAA\n");
}

TEST(Walk, KeepsTheResultWhenNoBufferIsOffered) {
    const OneRecord texts{"M", "ATG"};
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts), [](std::size_t) -> char* { return nullptr; });
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "k\nATG\n");
}

}  // namespace
}  // namespace velbrin::codon
