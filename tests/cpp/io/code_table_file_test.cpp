#include "io/code_table_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "genetic_code/genetic_code.hpp"

namespace velbrin::io {
namespace {

using Codons = std::vector<std::string_view>;

Codons listed(const codon::CustomCodonTable& table, char32_t symbol) {
    const auto* list = table.find(symbol);
    return list ? Codons(list->begin(), list->end()) : Codons{};
}

TEST(CodeTableFile, ReadsEntriesCommentsSeparatorsAndUtf8Symbols) {
    const auto outcome = read_code_table(
        "# my code\r\n\r\nM ATG   # start\nL TTA,TTG , ctg\n* TAA TAG\n\xC3\xA9\tGGG\n", "my.code");
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    const auto& table = std::get<codon::CustomCodonTable>(outcome);
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(listed(table, U'M'), Codons{"ATG"});
    EXPECT_EQ(listed(table, U'L'), (Codons{"TTA", "TTG", "ctg"}));
    EXPECT_EQ(listed(table, U'*'), (Codons{"TAA", "TAG"}));
    EXPECT_EQ(listed(table, U'\xE9'), Codons{"GGG"});
}

TEST(CodeTableFile, ReadsTheStartLineApartFromTheAminoAcids) {
    codon::StartCodons starts;
    const auto outcome = read_code_table(
        "M ATG\nstart TTG, ctg AUG  # alternative starts\nL TTG CTG\n", "my.code", &starts);
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    EXPECT_EQ(std::get<codon::CustomCodonTable>(outcome).size(), 2u);
    for (const std::string_view codon : {"TTG", "CTG", "ATG"}) EXPECT_TRUE(starts.contains(codon));
    EXPECT_FALSE(starts.contains("GTG"));
}

TEST(CodeTableFile, SkipsByteOrderMarkAndReadsBareCarriageReturns) {
    const auto outcome = read_code_table("\xEF\xBB\xBFM ATG\rK AAA\r", "mac.code");
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    const auto& table = std::get<codon::CustomCodonTable>(outcome);
    EXPECT_EQ(listed(table, U'M'), Codons{"ATG"});
    EXPECT_EQ(listed(table, U'K'), Codons{"AAA"});
}

struct FailureCase {
    const char* name;
    std::string text;
    std::string message;
};

class CodeTableErrorTest : public testing::TestWithParam<FailureCase> {};

TEST_P(CodeTableErrorTest, NamesFileAndLine) {
    const auto outcome = read_code_table(GetParam().text, "my.code");
    ASSERT_TRUE(std::holds_alternative<IoFailure>(outcome));
    EXPECT_EQ(std::get<IoFailure>(outcome).message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CodeTableErrorTest,
    testing::Values(FailureCase{"amino_acid_twice", "M ATG\n\nL TTA\nM ATA\n",
                                "my.code:4: 'M' is given twice (first on line 1)"},
                    FailureCase{"long_codon", "M ATG\nL TTA, CTGA\n",
                                "my.code:2: 'CTGA' is not a codon of three letters"},
                    FailureCase{"short_codon", "L TT\n",
                                "my.code:1: 'TT' is not a codon of three letters"},
                    FailureCase{"codon_with_digit", "L TT1\n",
                                "my.code:1: 'TT1' is not a codon of three letters"},
                    FailureCase{"word_as_amino_acid", "Met ATG\n",
                                "my.code:1: 'Met' is not one amino-acid character"},
                    FailureCase{"broken_utf8_symbol", "\xC3 ATG\n",
                                "my.code:1: '\xC3' is not one amino-acid character"},
                    FailureCase{"amino_acid_without_codons", "M ATG\nW # none yet\n",
                                "my.code:2: 'W' has no codons"},
                    FailureCase{"binary", "M ATG\n\x01\n", "my.code:2: binary data (byte 0x01)"},
                    FailureCase{"only_comments", "# nothing\n\n",
                                "my.code: no amino acids in the genetic code"},
                    FailureCase{"start_twice", "start ATG\nM ATG\nstart TTG\n",
                                "my.code:3: 'start' is given twice (first on line 1)"},
                    FailureCase{"ambiguous_start", "M ATG\nstart ATG RTG\n",
                                "my.code:2: 'RTG' is not a start codon of plain bases"},
                    FailureCase{"start_without_codons", "M ATG\nstart # none\n",
                                "my.code:2: 'start' has no codons"},
                    FailureCase{"only_a_start_line", "start ATG\n",
                                "my.code: no amino acids in the genetic code"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodeTableFile, BundledVertebrateMitochondrialCodeIsNcbiTable2) {
    std::ifstream file(VELBRIN_SOURCE_DIR "/examples/vertebrate_mito.code", std::ios::binary);
    ASSERT_TRUE(file) << "examples/vertebrate_mito.code";
    std::ostringstream text;
    text << file.rdbuf();
    const auto outcome = read_code_table(text.str(), "vertebrate_mito.code");
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    const std::string_view letters = *codon::ncbi_table(2);
    std::size_t codons = 0;
    for (const auto& [symbol, list] : std::get<codon::CustomCodonTable>(outcome).entries()) {
        for (const std::string_view codon_text : list) {
            ++codons;
            EXPECT_EQ(static_cast<char32_t>(letters[*codon::codon_index(codon_text)]), symbol)
                << codon_text;
        }
    }
    EXPECT_EQ(codons, codon::kCodonCount);
}

}  // namespace
}  // namespace velbrin::io
