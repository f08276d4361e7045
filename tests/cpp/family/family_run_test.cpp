#include "family/family_run.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "family/column_filter.hpp"
#include "family/genetic_code_choice.hpp"
#include "family/terminal_stop.hpp"

namespace velbrin::family {
namespace {

namespace fs = std::filesystem;

codon::StopCodons standard_stops() {
    const io::Result<GeneticCodeChoice> code = choose_genetic_code(1, "");
    return code.value().stops;
}

struct DropCase {
    const char* name;
    bool stops, gaps;
    std::vector<std::string_view> rows, kept;
};

class ColumnDropsTest : public testing::TestWithParam<DropCase> {};

TEST_P(ColumnDropsTest, DropWholeColumns) {
    const DropCase& c = GetParam();
    const codon::StopCodons stops = standard_stops();
    std::string storage;
    const auto kept = drop_columns(c.rows, {c.stops ? &stops : nullptr, c.gaps}, storage);
    EXPECT_EQ(kept, c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ColumnDropsTest,
    testing::Values(
        DropCase{"none", false, false, {"ATG---TAA", "ATGAAATGG"}, {"ATG---TAA", "ATGAAATGG"}},
        DropCase{"gaps", false, true, {"ATG---TAA", "ATGAAATGG"}, {"ATGTAA", "ATGTGG"}},
        DropCase{"stops", true, false, {"ATG---tga", "ATGAAATGG"}, {"ATG---", "ATGAAA"}},
        DropCase{"both", true, true, {"ATG---TAG", "ATGAAATGG"}, {"ATG", "ATG"}},
        DropCase{"ambiguous_is_no_stop", true, false, {"TRA"}, {"TRA"}}),
    [](const testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    std::string_view peptide, nucleotides;
    std::optional<std::string_view> trimmed;
};

class TerminalStop : public testing::TestWithParam<StopCase> {};

TEST_P(TerminalStop, DropsOnlyOneExtraStopCodon) {
    const StopCase& c = GetParam();
    NormaliseScratch scratch;
    EXPECT_EQ(without_terminal_stop(c.peptide, c.nucleotides, standard_stops(), scratch),
              c.trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Records, TerminalStop,
    testing::Values(StopCase{"stop", "MK", "ATGAAATAA", "ATGAAA"},
                    StopCase{"gapped_peptide_and_bases", "M-K", "ATG-AAA-TAG\n", "ATG-AAA-"},
                    StopCase{"lengths_agree", "MK", "ATGAAA", std::nullopt},
                    StopCase{"extra_codon_not_a_stop", "MK", "ATGAAACCC", std::nullopt},
                    StopCase{"two_codons_more", "M", "ATGAAATAA", std::nullopt}),
    [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(GeneticCodeChoice, TableOrFileAndItsStops) {
    const auto mito = choose_genetic_code(2, "");
    ASSERT_TRUE(mito.ok());
    EXPECT_TRUE(mito->stops.is_stop("AGA"));
    EXPECT_FALSE(mito->stops.is_stop("TGA"));
    const auto unsupported = choose_genetic_code(99, "");
    ASSERT_TRUE(unsupported.ok());  // the core reports the table
    EXPECT_FALSE(unsupported->stops.is_stop("TAA"));
    const auto missing = choose_genetic_code(1, "/nonexistent/code.txt");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.failure().message.find("/nonexistent/code.txt"), std::string::npos);
}

class FamilyRun : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  ("velbrin_family_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string file(const std::string& name, const std::string& text) const {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    fs::path folder_;
};

TEST_F(FamilyRun, AlignsFromFilesAndFormatsTheRows) {
    FamilyInputs inputs;
    inputs.peptide_path = file("pep.fa", ">b second\nM-W\n>a first\nMK-\n");
    inputs.nucleotide_paths = {file("nt.fa", ">a\nATGAAATAA\n>b\nATGTGG\n>unasked\nATG\n")};
    AlignOptions options;
    options.trim_terminal_stop = true;
    options.remove_gap_columns = true;
    const FamilyResult result = run_family(inputs, options);
    ASSERT_EQ(result.status, FamilyStatus::aligned) << result.report;
    EXPECT_EQ(result.output, ">b second\nATG\n>a first\nATG\n");
    EXPECT_EQ(result.records, 2u);
    EXPECT_EQ(result.columns, 1u);
    EXPECT_EQ(result.skipped_nucleotide_records, 1u);
}

TEST_F(FamilyRun, CoreFailuresCarryKindSummaryHintAndRealLabels) {
    FamilyInputs inputs;
    inputs.peptide_path = file("pep.aln", ">a\nMK\n");
    inputs.nucleotide_paths = {file("cds.fna", ">a\nATGAAATGA\n")};
    const FamilyResult result = run_family(inputs, AlignOptions{});
    ASSERT_EQ(result.status, FamilyStatus::failed);
    EXPECT_EQ(result.kind, codon::FailureKind::length);
    EXPECT_EQ(result.summary, "Peptide and nucleotide lengths are inconsistent.");
    EXPECT_NE(result.report.find("hint: the nucleotides of 'a' end with a stop codon"),
              std::string::npos);
    EXPECT_NE(result.report.find(inputs.peptide_path), std::string::npos) << result.report;
    EXPECT_EQ(result.report.find("pep.aln.fa"), std::string::npos) << result.report;
}

TEST_F(FamilyRun, ByOrderRepeatedIdsFailOnlyForFormatsKeyedById) {
    FamilyInputs inputs;
    inputs.peptide_path = file("pep.fa", ">a one\nM\n>a two\nK\n");
    inputs.nucleotide_paths = {file("nt.fa", ">x\nATG\n>y\nAAA\n")};
    AlignOptions options;
    options.pairing = Pairing::by_order;
    const FamilyResult fasta = run_family(inputs, options);
    ASSERT_EQ(fasta.status, FamilyStatus::aligned) << fasta.report;
    ASSERT_EQ(fasta.notes.size(), 1u);
    EXPECT_EQ(fasta.notes[0].text,
              "paired by order; 2 of 2 pairs have different IDs (first: 'a' with 'x')");
    for (const auto format :
         {io::OutputFormat::phylip, io::OutputFormat::paml, io::OutputFormat::clustal}) {
        options.format = format;
        const FamilyResult keyed = run_family(inputs, options);
        EXPECT_EQ(keyed.status, FamilyStatus::input_error);
        EXPECT_NE(keyed.summary.find("duplicate ID 'a'"), std::string::npos) << keyed.summary;
    }
}

}  // namespace
}  // namespace velbrin::family
