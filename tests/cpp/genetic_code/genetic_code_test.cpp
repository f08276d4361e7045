#include "genetic_code/genetic_code.hpp"
#include "genetic_code/start_codons.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace velbrin::codon {
namespace {

using namespace std::string_view_literals;

static_assert(codon_index("ATG") == 35, "codon_index must be usable at compile time");

struct IndexCase {
    std::string_view codon;
    std::optional<std::size_t> index;
};

void PrintTo(const IndexCase& c, std::ostream* out) { *out << '"' << c.codon << '"'; }

class CodonIndexTest : public testing::TestWithParam<IndexCase> {};

TEST_P(CodonIndexTest, GivesIndexOrNone) {
    EXPECT_EQ(codon_index(GetParam().codon), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(PlainCodons, CodonIndexTest,
                         testing::Values(IndexCase{"TTT", 0}, IndexCase{"TTC", 1},
                                         IndexCase{"TCT", 4}, IndexCase{"GGG", 63},
                                         IndexCase{"ATG", 35}, IndexCase{"TAA", 10},
                                         IndexCase{"TAG", 11}, IndexCase{"TGA", 14},
                                         IndexCase{"CTG", 19}));

INSTANTIATE_TEST_SUITE_P(CaseAndUracilFolded, CodonIndexTest,
                         testing::Values(IndexCase{"atg", 35}, IndexCase{"AUG", 35},
                                         IndexCase{"aUg", 35}, IndexCase{"tGa", 14},
                                         IndexCase{"uuu", 0}, IndexCase{"UUU", 0}));

INSTANTIATE_TEST_SUITE_P(
    Unusable, CodonIndexTest,
    testing::Values(IndexCase{"ATN", std::nullopt}, IndexCase{"AT-", std::nullopt},
                    IndexCase{"RTG", std::nullopt}, IndexCase{"AT", std::nullopt},
                    IndexCase{"ATGC", std::nullopt}, IndexCase{"", std::nullopt},
                    IndexCase{"\xE2\x82\xAC", std::nullopt},  // one 3-byte character
                    IndexCase{"AT\0"sv, std::nullopt}, IndexCase{"A.G", std::nullopt},
                    IndexCase{"1TG", std::nullopt}, IndexCase{"AT\xC7", std::nullopt},
                    // non-ASCII bytes that a bit-mask upper-casing would turn into T and A
                    IndexCase{"\xD4TG", std::nullopt}, IndexCase{"AT\xC1", std::nullopt}));

TEST(CodonIndex, HonoursTheViewLengthNotATerminator) {
    const std::string_view longer = "ATGC";
    EXPECT_EQ(codon_index(longer.substr(0, 3)), 35u);
    EXPECT_EQ(codon_index(longer.substr(1, 3)), 13u);  // TGC
}

class SupportedNumberTest : public testing::TestWithParam<std::int32_t> {};
class UnsupportedNumberTest : public testing::TestWithParam<std::int32_t> {};

TEST_P(SupportedNumberTest, HasTable) {
    const auto table = ncbi_table(GetParam());
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->size(), kCodonCount);
}

TEST_P(UnsupportedNumberTest, HasNoTable) { EXPECT_FALSE(ncbi_table(GetParam()).has_value()); }

INSTANTIATE_TEST_SUITE_P(Numbers, SupportedNumberTest,
                         testing::Values(1, 2, 6, 9, 16, 21, 31, 32, 33));
INSTANTIATE_TEST_SUITE_P(Numbers, UnsupportedNumberTest,
                         testing::Values(0, -1, 7, 8, 17, 18, 19, 20, 34, INT32_MAX, INT32_MIN));

TEST(NcbiTables, SharedStringsAreIdentical) {
    EXPECT_EQ(ncbi_table(11), ncbi_table(1));
    EXPECT_EQ(ncbi_table(28), ncbi_table(27));
    std::set<std::string_view> distinct;
    for (const NcbiTable& table : NCBI_TABLES) distinct.insert(table.amino_acids);
    EXPECT_EQ(distinct.size(), 25u);
}

// The reference file below predates these two codes; their current NCBI rows.
TEST(NcbiTables, NewestCodesMatchTheirPublishedRows) {
    EXPECT_EQ(ncbi_table(32), "FFLLSSSSYY*WCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG");
    EXPECT_EQ(ncbi_table(33), "FFLLSSSSYYY*CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSSKVVVVAAAADDEEGGGG");
}

TEST(SupportedTableList, ListsNumbersInOrder) {
    const std::string list = supported_table_list();
    EXPECT_EQ(
        list,
        "1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26, 27, 28, 29, "
        "30, 31, 32, 33");
    EXPECT_EQ(list.size(), 99u);
}

// NCBI's genetic code file (gc.prt, version 4.2), kept with the test data.
constexpr const char* kNcbiGeneticCodeFile =
    VELBRIN_SOURCE_DIR "/tests/data/ncbi_genetic_codes.prt";

struct FileTable {
    std::string amino_acids;
    std::string starts;
    std::string base1, base2, base3;
};

std::map<std::int32_t, FileTable> read_ncbi_genetic_code_file(std::ifstream& in) {
    static const std::regex kId(R"(^\s*id\s+(\d+)\s*,)");
    static const std::regex kLetters(R"(^\s*ncbieaa\s+\"([^\"]*)\")");
    static const std::regex kStarts(R"(^\s*sncbieaa\s+\"([^\"]*)\")");
    static const std::regex kBases(R"(^\s*--\s*Base([123])\s+(\S+))");
    std::map<std::int32_t, FileTable> tables;
    FileTable* current = nullptr;
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (std::regex_search(line, match, kId)) {
            current = &tables[std::stoi(match[1])];
        } else if (current && std::regex_search(line, match, kLetters)) {
            current->amino_acids = match[1];
        } else if (current && std::regex_search(line, match, kStarts)) {
            current->starts = match[1];
        } else if (current && std::regex_search(line, match, kBases)) {
            std::string* row[] = {&current->base1, &current->base2, &current->base3};
            *row[match[1].str()[0] - '1'] = match[2];
        }
    }
    return tables;
}

// The codon of column `k` of a table in the file.
std::string file_codon(const FileTable& table, std::size_t k) {
    return {table.base1[k], table.base2[k], table.base3[k]};
}

// Where the shipped file is older than our data: no codes 32 and 33, and CTG still
// alanine in codes 27 to 30 (leucine in NCBI's current release).
const std::set<std::int32_t> kTablesMissingFromFile = {32, 33};
const std::set<std::tuple<std::int32_t, std::string, char, char>> kKnownDifferences = {
    // table, codon, file letter, our letter
    {27, "CTG", 'A', 'L'},
    {28, "CTG", 'A', 'L'},
    {29, "CTG", 'A', 'L'},
    {30, "CTG", 'A', 'L'},
};

TEST(NcbiTables, AgreeWithNcbiGeneticCodeFile) {
    std::ifstream in(kNcbiGeneticCodeFile);
    ASSERT_TRUE(in.is_open()) << "NCBI genetic code file " << kNcbiGeneticCodeFile << " is missing";
    const auto file_tables = read_ncbi_genetic_code_file(in);

    std::set<std::int32_t> ours_not_in_file;
    for (const NcbiTable& table : NCBI_TABLES) {
        if (!file_tables.contains(table.number)) ours_not_in_file.insert(table.number);
    }
    EXPECT_EQ(ours_not_in_file, kTablesMissingFromFile);

    std::set<std::tuple<std::int32_t, std::string, char, char>> differences;
    for (const auto& [number, file_table] : file_tables) {
        SCOPED_TRACE("table " + std::to_string(number));
        const auto ours = ncbi_table(number);
        ASSERT_TRUE(ours.has_value()) << "the file lists a table we do not support";
        ASSERT_EQ(file_table.amino_acids.size(), kCodonCount);
        ASSERT_EQ(file_table.base1.size(), kCodonCount);
        ASSERT_EQ(file_table.base2.size(), kCodonCount);
        ASSERT_EQ(file_table.base3.size(), kCodonCount);
        for (std::size_t k = 0; k < kCodonCount; ++k) {
            const std::string codon = file_codon(file_table, k);
            const auto index = codon_index(codon);
            ASSERT_TRUE(index.has_value()) << codon;
            const char theirs = file_table.amino_acids[k];
            const char mine = (*ours)[*index];
            if (theirs != mine) differences.insert({number, codon, theirs, mine});
        }
    }
    EXPECT_EQ(differences, kKnownDifferences);
}

TEST(NcbiStartCodons, AgreeWithNcbiGeneticCodeFile) {
    std::ifstream in(kNcbiGeneticCodeFile);
    ASSERT_TRUE(in.is_open()) << "NCBI genetic code file " << kNcbiGeneticCodeFile << " is missing";
    std::size_t compared = 0;
    for (const auto& [number, file_table] : read_ncbi_genetic_code_file(in)) {
        SCOPED_TRACE("table " + std::to_string(number));
        const auto ours = ncbi_start_codons(number);
        ASSERT_TRUE(ours.has_value());
        ASSERT_EQ(file_table.starts.size(), kCodonCount);
        for (std::size_t k = 0; k < kCodonCount; ++k) {
            const std::string codon = file_codon(file_table, k);
            EXPECT_EQ(ours->contains(codon), file_table.starts[k] == 'M') << codon;
        }
        ++compared;
    }
    EXPECT_EQ(compared, NCBI_TABLES.size() - kTablesMissingFromFile.size());
}

TEST(NcbiStartCodons, EveryTableStartsWithAtgAndUnknownNumbersHaveNone) {
    for (const NcbiTable& table : NCBI_TABLES) {
        const auto starts = ncbi_start_codons(table.number);
        ASSERT_TRUE(starts.has_value()) << table.number;
        EXPECT_TRUE(starts->contains("ATG")) << table.number;
        EXPECT_TRUE(starts->contains("aug")) << table.number;
        EXPECT_FALSE(starts->contains("RTG")) << table.number;
    }
    EXPECT_FALSE(ncbi_start_codons(7).has_value());
    EXPECT_FALSE(ncbi_start_codons(34).has_value());
    const auto bacterial = ncbi_start_codons(11);
    for (const std::string_view codon : {"TTG", "CTG", "ATT", "ATC", "ATA", "GTG"}) {
        EXPECT_TRUE(bacterial->contains(codon)) << codon;
    }
}

}  // namespace
}  // namespace velbrin::codon
