#include "family/family_run.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
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
    std::string rows;
    for (const std::string_view row : c.rows) rows += row;
    const std::size_t row_size =
        drop_columns(rows, c.rows.front().size(), {c.stops ? &stops : nullptr, c.gaps});
    std::vector<std::string_view> kept;
    for (std::size_t row = 0; row < c.rows.size(); ++row)
        kept.push_back(std::string_view(rows).substr(row * row_size, row_size));
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
                    StopCase{"two_codons_more", "M", "ATGAAATAA", std::nullopt},
                    StopCase{"lower_case_stop_split_by_gaps", "MK", "atgaaat.a-a \r", "atgaaa"},
                    StopCase{"fewer_than_three_bases", "", "TA", std::nullopt}),
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
    AlignOptions strict;
    strict.keep_terminal_stop = true;
    const FamilyResult result = run_family(inputs, strict);
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

// A family of `records` records of `columns` alignment columns, wrapped at `width` (0: one
// line), with lower case, CRLF line ends, terminal stops and (with `mismatches`) codons
// that do not encode their residue.
struct GeneratedFamily {
    std::string peptides, nucleotides;
};

GeneratedFamily generated_family(std::size_t records, std::size_t columns, std::size_t width,
                                 bool mismatches, unsigned seed) {
    constexpr std::array<std::pair<char, std::string_view>, 5> kCodons{
        {{'M', "ATG"}, {'K', "AAA"}, {'W', "TGG"}, {'A', "GCT"}, {'L', "CTG"}}};
    std::mt19937 random(seed);
    const auto wrapped = [&](std::string text, std::string_view line_end) {
        std::string out;
        const std::size_t step = width == 0 ? std::max<std::size_t>(text.size(), 1) : width;
        for (std::size_t at = 0; at < text.size(); at += step)
            out.append(text.substr(at, step)).append(line_end);
        return out;
    };
    GeneratedFamily family;
    for (std::size_t record = 0; record < records; ++record) {
        std::string peptide, bases;
        for (std::size_t column = 0; column < columns; ++column) {
            if (random() % 4 == 0) {
                peptide += '-';
                continue;
            }
            const auto& [residue, codon] = kCodons[random() % kCodons.size()];
            peptide += residue;
            bases += mismatches && random() % 50 == 0 ? "CCC" : std::string(codon);
        }
        if (random() % 3 == 0) bases += "TAA";
        if (random() % 5 == 0)
            std::transform(bases.begin(), bases.end(), bases.begin(),
                           [](char c) { return c | 0x20; });
        const std::string_view line_end = random() % 4 == 0 ? "\r\n" : "\n";
        const std::string id = "r" + std::to_string(record);
        family.peptides +=
            ">" + id + " peptide " + std::to_string(record) + "\n" + wrapped(peptide, "\n");
        family.nucleotides += ">" + id + std::string(line_end) + wrapped(bases, line_end);
    }
    return family;
}

// The family as it was aligned before it was streamed: every sequence joined up front,
// each record's row kept by the core (no second pass), then the filters and the writer.
std::string whole_family_output(const FamilyFiles& files, const AlignOptions& options) {
    const GeneticCodeChoice code = choose_genetic_code(1, "").value();
    const auto aligner =
        std::get<codon::RecordAligner>(code.record_aligner(files.peptide_label, "nt"));
    std::vector<std::string> joined(2 * files.peptides.size());
    NormaliseScratch scratch;
    RecordPolicy policy(options.on_mismatch, code.starts, false, files.peptides.size());
    std::vector<std::string> kept_rows;
    std::vector<std::string_view> headers;
    for (std::size_t record = 0; record < files.peptides.size(); ++record) {
        const std::string_view id = io::record_name(files.peptides[record].header);
        const std::string_view peptide =
            io::sequence_of(files.peptides[record], joined[2 * record]);
        std::string_view bases = io::sequence_of(files.nucleotides[record], joined[2 * record + 1]);
        if (auto trimmed = without_terminal_stop(peptide, bases, code.stops, scratch))
            bases = *trimmed;
        std::string row;
        const auto outcome =
            aligner.align({id, {id, peptide}, {id, bases}}, record + 1, row, &policy);
        if (std::get<codon::RecordAligner::Row>(outcome) == codon::RecordAligner::Row::dropped)
            continue;
        kept_rows.push_back(std::move(row));
        headers.push_back(files.peptides[record].header);
    }
    std::vector<bool> dropped(kept_rows.front().size() / 3);
    for (const std::string& row : kept_rows) {
        for (std::size_t column = 0; column < dropped.size(); ++column) {
            const std::string_view codon = std::string_view(row).substr(3 * column, 3);
            if ((options.remove_gap_columns && codon == "---") ||
                (options.remove_stop_columns && code.stops.is_stop(codon)))
                dropped[column] = true;
        }
    }
    std::vector<std::string> filtered(kept_rows.size());
    for (std::size_t row = 0; row < kept_rows.size(); ++row) {
        for (std::size_t column = 0; column < dropped.size(); ++column) {
            if (!dropped[column]) filtered[row] += kept_rows[row].substr(3 * column, 3);
        }
    }
    std::vector<io::AlignedRecord> aligned;
    for (std::size_t row = 0; row < filtered.size(); ++row)
        aligned.push_back({headers[row], filtered[row]});
    std::string out;
    io::write_alignment(out, options.format, aligned, options.width);
    return out;
}

TEST_F(FamilyRun, EveryFormatFilterAndOutputMatchesTheWholeFamilyPipeline) {
    struct Shape {
        std::size_t records, columns, width;
        OnMismatch on_mismatch;
    };
    for (const Shape shape :
         {Shape{40, 70, 60, OnMismatch::fail}, Shape{3, 5000, 80, OnMismatch::mask},
          Shape{25, 33, 0, OnMismatch::drop}, Shape{1, 1, 7, OnMismatch::fail}}) {
        const GeneratedFamily family = generated_family(shape.records, shape.columns, shape.width,
                                                        shape.on_mismatch != OnMismatch::fail, 11);
        FamilyInputs inputs;
        inputs.peptide_path = file("pep.fa", family.peptides);
        inputs.nucleotide_paths = {file("nt.fa", family.nucleotides)};
        const FamilyFiles files = read_family_files(inputs.peptide_path, inputs.nucleotide_paths,
                                                    io::kDefaultMaxInputSize)
                                      .value();
        for (const io::OutputFormat format :
             {io::OutputFormat::fasta, io::OutputFormat::phylip, io::OutputFormat::phylip_strict,
              io::OutputFormat::paml, io::OutputFormat::clustal, io::OutputFormat::nexus}) {
            for (const int filters : {0, 1, 2, 3}) {
                AlignOptions options;
                options.format = format;
                options.width = shape.width;
                options.on_mismatch = shape.on_mismatch;
                options.remove_gap_columns = (filters & 1) != 0;
                options.remove_stop_columns = (filters & 2) != 0;
                const std::string expected = whole_family_output(files, options);
                for (const bool discards : {false, true}) {
                    std::string written;
                    bool finished = false;
                    const OutputSink sink{
                        [&](std::string_view bytes) -> std::optional<io::IoFailure> {
                            written.append(bytes);
                            return std::nullopt;
                        },
                        [&]() -> std::optional<io::IoFailure> {
                            finished = true;
                            return std::nullopt;
                        },
                        discards};
                    const FamilyResult result = run_family(inputs, options, &sink);
                    ASSERT_EQ(result.status, FamilyStatus::aligned) << result.report;
                    EXPECT_TRUE(finished);
                    ASSERT_EQ(written, expected)
                        << io::output_format_info(format).name << " filters " << filters << " "
                        << shape.records << "x" << shape.columns;
                }
                EXPECT_EQ(run_family(inputs, options).output, expected);
            }
        }
    }
}

}  // namespace
}  // namespace velbrin::family
