#include "io/alignment_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
        std::string joined;
        EXPECT_EQ(sequence_of(read[i], joined), records[i].codons);
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

// The formats as they were written whole into one string before output was streamed:
// the reference the streamed files must match byte for byte.
std::string reference_output(OutputFormat format, std::span<const AlignedRecord> records,
                             std::size_t width) {
    std::string out;
    std::size_t columns = 0, name_width = 0;
    for (const AlignedRecord& record : records) {
        columns = std::max(columns, record.codons.size());
        name_width = std::max(name_width, record_name(record.header).size() + 4);
    }
    const auto sequential = [&](std::string_view indent, std::string_view separator) {
        out += std::string(indent) + std::to_string(records.size()) +
               std::string(indent.empty() ? " " : indent) + std::to_string(columns) + "\n";
        for (const AlignedRecord& record : records)
            out += std::string(record_name(record.header)) + std::string(separator) +
                   std::string(record.codons) + "\n";
    };
    switch (format) {
        case OutputFormat::fasta:
            for (const AlignedRecord& record : records) {
                out += ">" + std::string(record.header) + "\n";
                const std::size_t step =
                    width == 0 ? std::max<std::size_t>(record.codons.size(), 1) : width;
                if (record.codons.empty()) out += "\n";
                for (std::size_t at = 0; at < record.codons.size(); at += step)
                    out += std::string(record.codons.substr(at, step)) + "\n";
            }
            break;
        case OutputFormat::phylip: sequential("", " "); break;
        case OutputFormat::paml: sequential("  ", "  "); break;
        case OutputFormat::clustal:
            out += "CLUSTAL W multiple sequence alignment\n\n";
            for (std::size_t start = 0; start == 0 || start < columns; start += 60) {
                if (start > 0) out += "\n";
                for (const AlignedRecord& record : records) {
                    const std::string name(record_name(record.header));
                    out += name + std::string(name_width - name.size(), ' ');
                    if (start < record.codons.size())
                        out += std::string(record.codons.substr(start, 60));
                    out += "\n";
                }
            }
            break;
        default: ADD_FAILURE() << "no reference for this format";
    }
    return out;
}

// Families of many short rows and of few rows longer than the buffer.
std::vector<std::string> generated_rows(std::size_t count, std::size_t codons, unsigned seed) {
    std::mt19937 random(seed);
    constexpr std::string_view kBases = "ACGTRYN";
    std::vector<std::string> rows(count);
    for (std::string& row : rows) {
        for (std::size_t codon = 0; codon < codons; ++codon) {
            if (random() % 9 == 0) {
                row += "---";
                continue;
            }
            for (int base = 0; base < 3; ++base) row += kBases[random() % kBases.size()];
        }
    }
    return rows;
}

TEST(GeneratedAlignments, MatchTheReferenceLayoutsByteForByte) {
    struct Family {
        std::size_t records, codons;
    };
    for (const Family family : {Family{300, 41}, Family{3, 150'000}, Family{1, 0}}) {
        const std::vector<std::string> rows = generated_rows(family.records, family.codons, 7);
        std::vector<std::string> headers;
        for (std::size_t i = 0; i < rows.size(); ++i)
            headers.push_back("rec" + std::to_string(i * 37) + " description " + std::to_string(i));
        std::vector<AlignedRecord> records;
        for (std::size_t i = 0; i < rows.size(); ++i) records.push_back({headers[i], rows[i]});
        for (const OutputFormat format : {OutputFormat::fasta, OutputFormat::phylip,
                                          OutputFormat::paml, OutputFormat::clustal}) {
            for (const std::size_t width : {0u, 60u, 61u}) {
                std::string written;
                write_alignment(written, format, records, width);
                ASSERT_EQ(written, reference_output(format, records, width))
                    << output_format_info(format).name << " " << family.records << "x"
                    << family.codons << " width " << width;
                if (format != OutputFormat::fasta) break;
            }
        }
    }
}

}  // namespace
}  // namespace velbrin::io
