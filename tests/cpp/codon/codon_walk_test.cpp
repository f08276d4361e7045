// The walk's fast paths (vector blocks at every level the CPU runs, acceptance masks for
// single columns) must decide every codon exactly as the full rules do.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "codon/alignment.hpp"
#include "codon/amino_acid_translator.hpp"
#include "codon/vector_level.hpp"
#include "diagnostics/source_label.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"
#include "text/unicode_text.hpp"

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

constexpr VectorLevel kLevels[] = {VectorLevel::portable, VectorLevel::ssse3, VectorLevel::avx2};

std::string level_label(VectorLevel level) {
    constexpr const char* kNames[] = {"portable", "ssse3", "avx2"};
    return kNames[std::size_t(level)];
}

std::string level_name(const testing::TestParamInfo<VectorLevel>& info) {
    return level_label(info.param);
}

// Runs the walk at one level for the test's lifetime; a level this CPU lacks is skipped.
class AtLevel {
public:
    explicit AtLevel(VectorLevel level) : previous_(active_vector_level()), level_(level) {
        if (level <= supported_vector_level()) use_vector_level(level);
    }
    ~AtLevel() { use_vector_level(previous_); }
    bool available() const { return level_ <= supported_vector_level(); }

private:
    VectorLevel previous_;
    VectorLevel level_;
};

#define SKIP_UNLESS_AVAILABLE(guard) \
    if (!(guard).available()) GTEST_SKIP() << "this CPU lacks the level"

// Columns of plain codons around the tested one, so that it falls in every lane of a
// vector block and in the single columns after the blocks.
constexpr std::size_t kColumns = 48;

struct PlacedCodon {
    OneRecord texts;
    std::string line;  // the codon line, when accepted
};

PlacedCodon place(char residue, const std::string& codon, std::size_t lane) {
    const std::size_t after = kColumns - 1 - lane;
    PlacedCodon placed;
    placed.texts.peptide = std::string(lane, 'M') + residue + std::string(after, 'M') + "-";
    std::string prefix;
    std::string suffix;
    for (std::size_t k = 0; k < lane; ++k) prefix += "ATG";
    for (std::size_t k = 0; k < after; ++k) suffix += "ATG";
    placed.texts.nucleotides = prefix + codon + suffix;
    placed.line = "k\n" + prefix + upper(codon) + suffix + "---\n";
    return placed;
}

// Every three-letter codon over kLetters, after the upper-casing the walk sees.
// (gap signs are dropped before the walk, so codons holding one are left out)
template <class Visit>
void for_each_codon(Visit visit) {
    std::size_t ordinal = 0;
    for (char a : kLetters)
        for (char b : kLetters)
            for (char c : kLetters)
                if (a != '-' && b != '-' && c != '-')
                    visit(std::string{a, b, c}, ordinal++ % kColumns);
}

class NcbiWalk : public testing::TestWithParam<std::tuple<int, VectorLevel>> {};

TEST_P(NcbiWalk, FastPathAgreesWithTheFullRules) {
    const auto [table_num, level] = GetParam();
    const AtLevel guard(level);
    SKIP_UNLESS_AVAILABLE(guard);
    const std::string_view table = *ncbi_table(table_num);
    for (const char residue : kResidues) {
        for_each_codon([&](const std::string& codon, std::size_t lane) {
            const PlacedCodon placed = place(residue, codon, lane);
            const auto outcome =
                align_with_ncbi_code("a", "n", table_num, one_record(placed.texts));
            const bool expected = ncbi_reference(table, residue, upper(codon));
            ASSERT_EQ(std::holds_alternative<std::string>(outcome), expected)
                << residue << " " << codon;
            if (expected) {
                EXPECT_EQ(std::get<std::string>(outcome), placed.line);
            }
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, NcbiWalk,
                         testing::Combine(testing::Values(1, 33), testing::ValuesIn(kLevels)),
                         [](const auto& info) {
                             return "table" + std::to_string(std::get<0>(info.param)) + "_" +
                                    level_label(std::get<1>(info.param));
                         });

using TableEntries = std::vector<std::pair<char32_t, std::vector<std::string>>>;

class CustomWalk : public testing::TestWithParam<std::tuple<TableEntries, VectorLevel>> {};

// The reference is the rule as first written: an entry equal to the codon, else a scan of
// the residue's whole list for an entry the codon covers.
TEST_P(CustomWalk, FastPathAgreesWithTheFullRules) {
    const auto& [entries, level] = GetParam();
    const AtLevel guard(level);
    SKIP_UNLESS_AVAILABLE(guard);
    CustomCodonTable table;
    for (const auto& [symbol, codons] : entries) table.insert_or_replace(symbol, codons);
    for (const char residue : std::string_view("MK*XWC")) {
        const CustomCodonTable::CodonList* allowed = table.find(char32_t(residue));
        for_each_codon([&](const std::string& codon, std::size_t lane) {
            const std::string seen = upper(codon);
            const PlacedCodon placed = place(residue, codon, lane);
            const auto outcome = align_with_custom_code("a", "n", table, one_record(placed.texts));
            bool expected = false;
            if (allowed != nullptr && text::is_valid_utf8(seen)) {
                expected = residue == 'X' || holds_n(seen) ||
                           std::find(allowed->begin(), allowed->end(), seen) != allowed->end() ||
                           iupac::has_iupac_match(seen, *allowed);
            }
            ASSERT_EQ(std::holds_alternative<std::string>(outcome), expected)
                << residue << " " << codon;
            if (expected) {
                EXPECT_EQ(std::get<std::string>(outcome), placed.line);
            }
        });
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CustomWalk,
    testing::Combine(
        testing::Values(TableEntries{{'M', {"ATG", "aug"}},
                                     {'K', {"AAR", "AAA", "CC"}},
                                     {'*', {"TAA", "TUG"}},
                                     {'X', {}}},
                        // entries that are no plain codon, repeated entries, every length
                        TableEntries{{'M', {"ATG", "ATG", "ARG", "AXA", "AXA", "A-A"}},
                                     {'K',
                                      {"AAA", "AAA", "RYS", "aaY", "", "AAAA",
                                       "\xC3"
                                       "AA"}},
                                     {'*', {"TRA", "T.A", "tuR"}},
                                     {'W', {}},
                                     {'X', {"XXX"}}}),
        testing::ValuesIn(kLevels)),
    [](const auto& info) {
        return "table" + std::to_string(info.index / std::size(kLevels)) + "_" +
               level_label(std::get<1>(info.param));
    });

// Records mixing gaps, ambiguity letters, "N", lower case, the residues "X", "B", "J",
// "Z" and the odd wrong codon: every level gives the portable walk's outcome.
std::vector<OneRecord> mixed_records() {
    const std::string_view table = *ncbi_table(1);
    std::mt19937 random(7);
    const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
    std::vector<OneRecord> records;
    for (std::size_t count = 0; count < 600; ++count) {
        OneRecord record;
        const std::size_t columns = random() % 140;
        for (std::size_t column = 0; column < columns; ++column) {
            if (chance(count % 3 == 0 ? 40 : 8)) {
                record.peptide += '-';
                continue;
            }
            const std::size_t index = random() % 64;
            std::string codon{"TCAG"[index / 16], "TCAG"[index / 4 % 4], "TCAG"[index % 4]};
            char residue = table[index];
            if (chance(3)) residue = 'X';
            if (chance(3) && (residue == 'D' || residue == 'N')) residue = 'B';
            if (chance(3) && (residue == 'I' || residue == 'L')) residue = 'J';
            if (chance(3) && (residue == 'E' || residue == 'Q')) residue = 'Z';
            if (chance(4)) codon[random() % 3] = "NRYKMSWBDHV"[random() % 11];
            if (chance(3)) codon[random() % 3] = "acgtu"[random() % 5];
            if (chance(1)) codon[random() % 3] = "ACGTU"[random() % 5];  // mostly a wrong codon
            if (chance(1)) codon[random() % 3] = 'U';
            record.peptide += residue;
            record.nucleotides += codon;
        }
        records.push_back(record);
    }
    return records;
}

bool same_outcome(const AlignmentOutcome& left, const AlignmentOutcome& right) {
    if (left.index() != right.index()) return false;
    if (const auto* text = std::get_if<std::string>(&left))
        return *text == std::get<std::string>(right);
    return std::get<Failure>(left).message == std::get<Failure>(right).message;
}

class MixedRecords : public testing::TestWithParam<VectorLevel> {};

TEST_P(MixedRecords, EveryLevelGivesThePortableOutcome) {
    CustomCodonTable custom;
    const std::string_view table = *ncbi_table(1);
    for (const char residue : std::string_view("*ACDEFGHIKLMNPQRSTVWYBJZX")) {
        std::vector<std::string> codons;
        for (std::size_t index = 0; index < 64; ++index) {
            if (residue != 'X' && iupac::signature_admits(residue, table[index]))
                codons.push_back({"TCAG"[index / 16], "TCAG"[index / 4 % 4], "TCAG"[index % 4]});
        }
        custom.insert_or_replace(char32_t(residue), codons);
    }
    const auto outcomes = [&](VectorLevel level) {
        const AtLevel guard(level);
        std::vector<AlignmentOutcome> both;
        for (const OneRecord& record : mixed_records()) {
            both.push_back(align_with_ncbi_code("a", "n", 1, record.map()));
            both.push_back(align_with_custom_code("a", "n", custom, record.map()));
        }
        return both;
    };
    const AtLevel guard(GetParam());
    SKIP_UNLESS_AVAILABLE(guard);
    const auto expected = outcomes(VectorLevel::portable);
    const auto seen = outcomes(GetParam());
    std::size_t successes = 0;
    for (std::size_t at = 0; at < expected.size(); ++at) {
        ASSERT_TRUE(same_outcome(seen[at], expected[at])) << "record " << at / 2;
        successes += std::holds_alternative<std::string>(expected[at]);
    }
    EXPECT_GT(successes, expected.size() / 4);  // the records reach the blocks' later lanes
}

INSTANTIATE_TEST_SUITE_P(Levels, MixedRecords, testing::ValuesIn(kLevels), level_name);

// Past its whole blocks a record ends in a block that overlaps the one before it: a
// wrong codon anywhere is reported where the portable walk reports it.
class LastColumns : public testing::TestWithParam<VectorLevel> {};

TEST_P(LastColumns, AreDecidedAsThePortableWalkDoes) {
    const auto outcomes = [](VectorLevel level) {
        const AtLevel guard(level);
        std::vector<AlignmentOutcome> seen;
        for (std::size_t columns = 1; columns <= 70; ++columns) {
            for (std::size_t wrong = 0; wrong <= columns; ++wrong) {  // `columns`: none
                OneRecord record{std::string(columns, 'M'), ""};
                for (std::size_t column = 0; column < columns; ++column)
                    record.nucleotides += column == wrong ? "CCC" : "ATG";
                seen.push_back(align_with_ncbi_code("a", "n", 1, record.map()));
            }
        }
        return seen;
    };
    const AtLevel guard(GetParam());
    SKIP_UNLESS_AVAILABLE(guard);
    const auto expected = outcomes(VectorLevel::portable);
    const auto seen = outcomes(GetParam());
    for (std::size_t at = 0; at < expected.size(); ++at)
        ASSERT_TRUE(same_outcome(seen[at], expected[at])) << "record " << at;
}

INSTANTIATE_TEST_SUITE_P(Levels, LastColumns, testing::ValuesIn(kLevels), level_name);

// Long runs without gaps of codons that need the full rules: each column is decided once,
// and the line, or the report of a last wrong codon, is what the rules give.
struct LongRun {
    std::string codon;  // every codon of the run; each is accepted for "M"
    bool wrong_last;    // the last column is "W" over "ATR", which no rule accepts
};

class LongRuns : public testing::TestWithParam<std::tuple<LongRun, VectorLevel>> {};

TEST_P(LongRuns, DecideEveryColumnAsTheRulesDo) {
    const auto& [run, level] = GetParam();
    const AtLevel guard(level);
    SKIP_UNLESS_AVAILABLE(guard);
    constexpr std::size_t kCodons = 3000;
    OneRecord texts{std::string(kCodons, 'M'), ""};
    for (std::size_t k = 0; k < kCodons; ++k) texts.nucleotides += run.codon;
    if (run.wrong_last) {
        texts.peptide.back() = 'W';
        texts.nucleotides.replace(texts.nucleotides.size() - 3, 3, "ATR");
    }
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts));
    if (!run.wrong_last) {
        ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
        EXPECT_EQ(std::get<std::string>(outcome), "k\n" + upper(texts.nucleotides) + "\n");
        return;
    }
    const std::string aa_label = diagnostics::source_label_from_path("a", "aa.fa");
    const std::string nt_label = diagnostics::source_label_from_path("n", "nt.fa");
    AminoAcidTranslator record(aa_label, "h", texts.peptide, nt_label, "h", texts.nucleotides, 1);
    record.streamline();
    record.error_out_mismatch(kCodons - 1, NcbiCode{*ncbi_table(1)});
    ASSERT_TRUE(std::holds_alternative<Failure>(outcome));
    EXPECT_EQ(std::get<Failure>(outcome).message, record.error());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LongRuns,
    testing::Combine(testing::Values(LongRun{"NNN", false}, LongRun{"ATR", false},
                                     LongRun{"ANG", false}, LongRun{"aTg", false},
                                     LongRun{"NNN", true}, LongRun{"ATR", true}),
                     testing::ValuesIn(kLevels)));

// Under a table where most codons belong to no residue, a record whose columns all
// match ends with its last column, also when that lies in a padded last block.
class UnownedCodons : public testing::TestWithParam<VectorLevel> {};

TEST_P(UnownedCodons, EndWithTheRecord) {
    const AtLevel guard(GetParam());
    SKIP_UNLESS_AVAILABLE(guard);
    CustomCodonTable table;
    table.insert_or_replace('M', {"ATG"});
    for (const std::size_t columns : {1, 15, 17, 40}) {
        OneRecord record{std::string(columns, 'M'), ""};
        for (std::size_t k = 0; k < columns; ++k) record.nucleotides += "ATG";
        const auto outcome = align_with_custom_code("a", "n", table, one_record(record));
        ASSERT_TRUE(std::holds_alternative<std::string>(outcome)) << columns;
        EXPECT_EQ(std::get<std::string>(outcome), "k\n" + record.nucleotides + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, UnownedCodons, testing::ValuesIn(kLevels), level_name);

TEST(Walk, GapsAndRunsComeOutInPlace) {
    const OneRecord texts{"--MK---W-", "ATGAAATGG"};
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts));
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "k\n------ATGAAA---------TGG---\n");
}

TEST(Walk, WritesIntoTheOfferedBufferAtTheExactSize) {
    const OneRecord texts{" m-k\n", "atgAAA"};
    std::string buffer;
    const auto outcome =
        align_with_ncbi_code("a", "n", 1, one_record(texts), [&](std::size_t size) {
            buffer.assign(size, '?');
            return buffer.data();
        });
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "");
    EXPECT_EQ(buffer, "k\nATG---AAA\n");
}

TEST(Walk, KeepsTheResultWhenNoBufferIsOffered) {
    const OneRecord texts{"M", "ATG"};
    const auto outcome = align_with_ncbi_code("a", "n", 1, one_record(texts),
                                              [](std::size_t) -> char* { return nullptr; });
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
    EXPECT_EQ(std::get<std::string>(outcome), "k\nATG\n");
}

}  // namespace
}  // namespace velbrin::codon
