#include "io/alignment_writer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/sequence_reader.hpp"

namespace velbrin::io {
namespace {

const std::vector<AlignedRecord> kTwoRecords = {
    {"human_1 Homo sapiens", "ATGAAA---TGG"},
    {"mouse", "ATG---CCCTGG"},
};

struct FormatCase {
    const char* name;
    OutputFormat format;
    std::size_t width;
    std::string expected;
};

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, WritesLayout) {
    std::string out = "kept";
    write_alignment(out, GetParam().format, kTwoRecords, GetParam().width);
    EXPECT_EQ(out, "kept" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatTest,
    testing::Values(
        FormatCase{"fasta_wrapped", OutputFormat::fasta, 5,
                   ">human_1 Homo sapiens\nATGAA\nA---T\nGG\n>mouse\nATG--\n-CCCT\nGG\n"},
        FormatCase{"fasta_one_line", OutputFormat::fasta, 0,
                   ">human_1 Homo sapiens\nATGAAA---TGG\n>mouse\nATG---CCCTGG\n"},
        FormatCase{"fasta_exact_width", OutputFormat::fasta, 12,
                   ">human_1 Homo sapiens\nATGAAA---TGG\n>mouse\nATG---CCCTGG\n"},
        FormatCase{"phylip", OutputFormat::phylip, 60,
                   "2 12\nhuman_1 ATGAAA---TGG\nmouse ATG---CCCTGG\n"},
        FormatCase{"paml", OutputFormat::paml, 60,
                   "  2  12\nhuman_1  ATGAAA---TGG\nmouse  ATG---CCCTGG\n"},
        FormatCase{"clustal", OutputFormat::clustal, 60,
                   "CLUSTAL W multiple sequence alignment\n\n"
                   "human_1    ATGAAA---TGG\n"
                   "mouse      ATG---CCCTGG\n"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string codon_columns(std::size_t columns, char salt) {
    std::string codons;
    for (std::size_t i = 0; i < columns; ++i)
        codons += i % 7 == 3 ? std::string("---") : std::string{'A', 'C', salt};
    return codons;
}

struct RoundTripCase {
    OutputFormat format;
    std::size_t width;
    std::size_t columns;
};

class RoundTripTest : public testing::TestWithParam<RoundTripCase> {};

// What a writer puts out, the matching reader gives back: names, order and codons.
TEST_P(RoundTripTest, ReaderGivesBackTheAlignment) {
    const std::string first = codon_columns(GetParam().columns, 'G'),
                      second = codon_columns(GetParam().columns, 'T');
    const std::vector<AlignedRecord> records = {{"a1 first", first}, {"b22", second}, {"c", first}};
    std::string out;
    write_alignment(out, GetParam().format, records, GetParam().width);
    const auto outcome = read_alignment(out, "out");
    if (const auto* failure = std::get_if<IoFailure>(&outcome))
        FAIL() << failure->message << "\n" << out;
    const auto& read = std::get<SequenceFile>(outcome).records;
    ASSERT_EQ(read.size(), records.size());
    const bool full_headers = GetParam().format == OutputFormat::fasta;
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].header,
                  full_headers ? records[i].header : record_name(records[i].header));
        EXPECT_EQ(read[i].sequence, records[i].codons);
    }
}

INSTANTIATE_TEST_SUITE_P(Readable, RoundTripTest,
                         testing::Values(RoundTripCase{OutputFormat::fasta, 60, 100},
                                         RoundTripCase{OutputFormat::fasta, 7, 33},
                                         RoundTripCase{OutputFormat::fasta, 0, 100},
                                         RoundTripCase{OutputFormat::fasta, 60, 0},
                                         RoundTripCase{OutputFormat::clustal, 60, 20},
                                         RoundTripCase{OutputFormat::clustal, 60, 41},
                                         RoundTripCase{OutputFormat::clustal, 60, 0}));

}  // namespace
}  // namespace velbrin::io
