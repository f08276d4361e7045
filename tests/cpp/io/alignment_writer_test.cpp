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
                   "mouse      ATG---CCCTGG\n"},
        FormatCase{"phylip_strict", OutputFormat::phylip_strict, 60,
                   " 2 12\nhuman_1   ATGAAA---TGG\nmouse     ATG---CCCTGG\n"},
        FormatCase{"nexus", OutputFormat::nexus, 60,
                   "#NEXUS\n\nBEGIN DATA;\n  DIMENSIONS NTAX=2 NCHAR=12;\n"
                   "  FORMAT DATATYPE=DNA GAP=- MISSING=?;\n  MATRIX\n"
                   "    human_1  ATGAAA---TGG\n    mouse  ATG---CCCTGG\n  ;\nEND;\n\n"
                   "BEGIN SETS;\n  CHARSET codon_position_1 = 1-12\\3;\n"
                   "  CHARSET codon_position_2 = 2-12\\3;\n"
                   "  CHARSET codon_position_3 = 3-12\\3;\nEND;\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NexusNames, PunctuationAndQuotesAreQuoted) {
    const std::vector<AlignedRecord> records = {
        {"plain_name x", "ATG"}, {"ENSG-1", "ATG"}, {"o'brien(2)", "ATG"}, {"a:b", "ATG"}};
    std::string out;
    write_alignment(out, OutputFormat::nexus, records, 60);
    EXPECT_NE(out.find("\n    plain_name  ATG\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n    'ENSG-1'  ATG\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n    'o''brien(2)'  ATG\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n    'a:b'  ATG\n"), std::string::npos) << out;
}

TEST(StrictPhylipNames, NamesEqualAfterCuttingAreRefused) {
    const std::vector<AlignedRecord> distinct = {{"Homo_sapiens", "ATG"}, {"Homo_sapie", "ATG"}};
    EXPECT_EQ(unwritable_names(OutputFormat::phylip_strict, distinct),
              "the names 'Homo_sapiens' and 'Homo_sapie' are both 'Homo_sapie' when cut to 10 "
              "characters for phylip-strict; use --format phylip or fasta");
    for (const OutputFormat other : {OutputFormat::phylip, OutputFormat::fasta})
        EXPECT_EQ(unwritable_names(other, distinct), std::nullopt);
    const std::vector<AlignedRecord> fine = {{"Homo_sapiens", "ATG"}, {"Homo_sapi", "ATG"}};
    EXPECT_EQ(unwritable_names(OutputFormat::phylip_strict, fine), std::nullopt);
}

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

// Through a buffer of any size the bytes are those written to one string; a failed drain
// is reported once and stops the output.
TEST(BufferedAlignment, SameBytesThroughAnyBufferAndFailuresStop) {
    const std::string first = codon_columns(150, 'G'), second = codon_columns(150, 'T');
    const std::vector<AlignedRecord> records = {{"a1 first", first}, {"b22", second}};
    for (const OutputFormatInfo& info : kOutputFormats) {
        std::string whole;
        write_alignment(whole, info.format, records, 7);
        for (const std::size_t capacity : {64u, 100u, 4096u}) {
            std::string pieces;
            std::size_t drains = 0;
            BufferedWriter writer(
                [&](std::string_view bytes) -> std::optional<IoFailure> {
                    ++drains;
                    pieces.append(bytes);
                    return std::nullopt;
                },
                capacity);
            write_alignment(writer, info.format, records, 7);
            EXPECT_FALSE(writer.finish());
            EXPECT_EQ(pieces, whole) << info.name << " " << capacity;
            EXPECT_EQ(drains, (whole.size() + capacity - 1) / capacity);
        }
    }
    std::size_t drains = 0;
    BufferedWriter failing(
        [&](std::string_view) -> std::optional<IoFailure> {
            ++drains;
            return IoFailure{"out.fa: cannot write: No space left on device"};
        },
        64);
    write_alignment(failing, OutputFormat::fasta, records, 7);
    const auto failure = failing.finish();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, "out.fa: cannot write: No space left on device");
    EXPECT_EQ(drains, 1u);
}

}  // namespace
}  // namespace velbrin::io
