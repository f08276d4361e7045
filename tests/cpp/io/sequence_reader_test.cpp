#include "io/sequence_reader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velbrin::io {
namespace {

struct Expected {
    std::string header;
    std::string sequence;
    std::size_t line;
};

void expect_records(const std::variant<std::vector<SequenceRecord>, IoFailure>& outcome,
                    const std::vector<Expected>& expected) {
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    const auto& records = std::get<std::vector<SequenceRecord>>(outcome);
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].header, expected[i].header) << i;
        EXPECT_EQ(records[i].sequence, expected[i].sequence) << i;
        EXPECT_EQ(records[i].line, expected[i].line) << i;
    }
}

struct LayoutCase {
    const char* name;
    std::string text;
    std::vector<Expected> records;
};

class AcceptedLayoutTest : public testing::TestWithParam<LayoutCase> {};

// Both readers take these the same way (the alignment reader recognises them as FASTA).
TEST_P(AcceptedLayoutTest, ReadsRecords) {
    expect_records(read_fasta(GetParam().text, "in.fa"), GetParam().records);
    expect_records(read_alignment(GetParam().text, "in.fa"), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(
    Fasta, AcceptedLayoutTest,
    testing::Values(
        LayoutCase{"one_line_each", ">a x\nACGT\n>b\nTT\n", {{"a x", "ACGT", 1}, {"b", "TT", 3}}},
        LayoutCase{"crlf_wrapped",
                   ">a desc \r\nAC\r\nGT\r\n>b\r\nT\r\nT",
                   {{"a desc", "ACGT", 1}, {"b", "TT", 4}}},
        LayoutCase{"blank_lines_everywhere",
                   "\n \r\n>a\n\nAC\n  \nG T\t\n\n>b\nT\n\n",
                   {{"a", "ACGT", 3}, {"b", "T", 9}}},
        LayoutCase{"empty_sequence_kept", ">a\n>b\nMK-\n", {{"a", "", 1}, {"b", "MK-", 2}}},
        LayoutCase{"utf8_kept",
                   ">\xC3\xA9t\xC3\xA9\nM\xC3\xA9K\n",
                   {{"\xC3\xA9t\xC3\xA9", "M\xC3\xA9K", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    bool alignment;  // read_alignment, else read_fasta
    std::string text;
    std::string message;
};

class RejectedInputTest : public testing::TestWithParam<FailureCase> {};

TEST_P(RejectedInputTest, NamesFileAndLine) {
    const FailureCase& c = GetParam();
    const auto outcome =
        c.alignment ? read_alignment(c.text, "pep.fa") : read_fasta(c.text, "pep.fa");
    ASSERT_TRUE(std::holds_alternative<IoFailure>(outcome));
    EXPECT_EQ(std::get<IoFailure>(outcome).message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, RejectedInputTest,
    testing::Values(
        FailureCase{"nul_in_sequence", false, std::string(">a\nAC\nG\0T\n", 10),
                    "pep.fa:3: binary data (byte 0x00)"},
        FailureCase{"control_in_header", true, ">a\x1B\nAC\n", "pep.fa:1: binary data (byte 0x1B)"},
        FailureCase{"binary_before_records", true,
                    "\x7F"
                    "ELF",
                    "pep.fa:1: binary data (byte 0x7F)"},
        FailureCase{"header_sign_inside_sequence", false, ">a\nAC\n  >b\n",
                    "pep.fa:3: '>' inside a sequence (a header starts its line)"},
        FailureCase{"header_sign_in_clustal_residues", true, "CLUSTAL W\n\na  M>K\n",
                    "pep.fa:3: '>' inside a sequence (a header starts its line)"},
        FailureCase{"text_before_first_record", false, "\nACGT\n>a\nAC\n",
                    "pep.fa:2: not a FASTA file: text before the first '>'"},
        FailureCase{"neither_format", true, "# mapping\n>a\nAC\n",
                    "pep.fa:1: neither FASTA nor CLUSTAL: text before the first '>'"},
        FailureCase{"header_alone", false, ">a\nAC\n>\r\nGT\n", "pep.fa:3: empty header"},
        FailureCase{"header_of_blanks", true, ">a\nAC\n> \t\nGT\n", "pep.fa:3: empty header"},
        FailureCase{"empty_file", false, "", "pep.fa: no sequence records"},
        FailureCase{"blank_file", true, "\n \r\n", "pep.fa: no sequence records"},
        FailureCase{"clustal_without_blocks", true, "CLUSTAL W\n\n", "pep.fa: no sequence records"},
        FailureCase{"clustal_name_missing_from_later_block", true,
                    "CLUSTAL W\n\na  MK\nb  MR\n\na  LL\n\n", "pep.fa:6: block lacks 'b'"},
        FailureCase{"clustal_names_out_of_order", true,
                    "CLUSTAL W\n\na  MK\nb  MR\n\nb  LL\na  LL\n",
                    "pep.fa:6: 'b' where the block expects 'a'"},
        FailureCase{"clustal_extra_name", true, "CLUSTAL W\n\na  MK\n\na  LL\nc  LL\n",
                    "pep.fa:6: 'c' where the block has no more names"},
        FailureCase{"clustal_ragged_block", true, "CLUSTAL W\n\na  MK-\nb  MR\n",
                    "pep.fa:4: ragged block: not as many residues as the line above"},
        FailureCase{"clustal_text_after_residues", true, "CLUSTAL W\n\na  MK LL\n",
                    "pep.fa:3: unexpected text after the residues"},
        FailureCase{"clustal_indented_text", true, "CLUSTAL W\n\na  MK\n  MK\n",
                    "pep.fa:4: unexpected text in a CLUSTAL block"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClustalReader, JoinsBlocksSkippingConservationAndCounts) {
    const std::string text =
        "CLUSTAL O(1.2.4) multiple sequence alignment\r\n\r\n\r\n"
        "seq_a      MK-LV 5\r\n"
        "seq_b      MKQL- 4\r\n"
        "           ** *.\r\n"
        "\r\n"
        "seq_a      WW\r\n"
        "seq_b      W-\r\n"
        "           *\r\n";
    expect_records(read_alignment(text, "pep.aln"),
                   {{"seq_a", "MK-LVWW", 4}, {"seq_b", "MKQL-W-", 5}});
    expect_records(read_alignment("MUSCLE (3.8) multiple sequence alignment\n\nx MK\n", "m.aln"),
                   {{"x", "MK", 3}});
}

}  // namespace
}  // namespace velbrin::io
