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

void expect_records(const SequenceOutcome& outcome, const std::vector<Expected>& expected) {
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    const auto& records = std::get<SequenceFile>(outcome).records;
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].header, expected[i].header) << i;
        std::string joined;
        EXPECT_EQ(sequence_of(records[i], joined), expected[i].sequence) << i;
        EXPECT_EQ(records[i].length(), expected[i].sequence.size()) << i;
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
        LayoutCase{"bare_carriage_returns",
                   ">a x\rAC\rGT\r\r>b\rTT",
                   {{"a x", "ACGT", 1}, {"b", "TT", 5}}},
        LayoutCase{"lines_of_one_width_and_of_many",
                   ">a\nACG\nTAC\nG\n>b\nAC\nGTA\nC\n>c\nAC\n\nGT\n\n>d\nACG\nT",
                   {{"a", "ACGTACG", 1}, {"b", "ACGTAC", 5}, {"c", "ACGT", 9}, {"d", "ACGT", 14}}},
        LayoutCase{"byte_order_mark_skipped", "\xEF\xBB\xBF>a\nAC\n", {{"a", "AC", 1}}},
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
        FailureCase{"control_byte_after_clean_records", false,
                    ">a\nACG\nT\n>b\nAC\nGT\nA\x01"
                    "C\n",
                    "pep.fa:7: binary data (byte 0x01)"},
        FailureCase{"header_sign_after_clean_lines", false, ">a\nACG\nTT>b\n",
                    "pep.fa:3: '>' inside a sequence (a header starts its line)"},
        FailureCase{"header_sign_in_clustal_residues", true, "CLUSTAL W\n\na  M>K\n",
                    "pep.fa:3: '>' inside a sequence (a header starts its line)"},
        FailureCase{"text_before_first_record", false, "\nACGT\n>a\nAC\n",
                    "pep.fa:2: not a FASTA file: text before the first '>'"},
        FailureCase{"neither_format", true, "# mapping\n>a\nAC\n",
                    "pep.fa:1: not a FASTA, CLUSTAL, Stockholm or PHYLIP alignment: text before "
                    "the first '>'"},
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
                    "pep.fa:4: unexpected text in a CLUSTAL block"},
        FailureCase{"stockholm_without_end", true, "# STOCKHOLM 1.0\na MK\nb MR\n",
                    "pep.fa: no '//' at the end of the Stockholm alignment (a truncated file?)"},
        FailureCase{"stockholm_names_out_of_order", true,
                    "# STOCKHOLM 1.0\na MK\nb MR\n\nb LL\na LL\n//\n",
                    "pep.fa:5: 'b' where the block expects 'a'"},
        FailureCase{"stockholm_block_lacks_a_name", true, "# STOCKHOLM 1.0\na MK\nb MR\na LL\n//\n",
                    "pep.fa:4: block lacks 'b'"},
        FailureCase{"stockholm_second_alignment", true,
                    "# STOCKHOLM 1.0\na MK\n//\n# STOCKHOLM 1.0\nb MR\n//\n",
                    "pep.fa:4: text after the end of the alignment ('//')"},
        FailureCase{"stockholm_name_alone", true, "# STOCKHOLM 1.0\na\n//\n",
                    "pep.fa:2: a name without residues"},
        FailureCase{"phylip_short_record", true, "2 4\na MKLV\nb MKL\n",
                    "pep.fa:3: 'b' has 3 residues where the counts line says 4"},
        FailureCase{"phylip_fewer_records", true, "3 2\na MK\nb MR\n",
                    "pep.fa: the counts line says 3 records, the file has 2"},
        FailureCase{"phylip_more_records", true, "1 2\na MK\nb MR\n",
                    "pep.fa:3: more text than the 1 records of the counts line"},
        FailureCase{"phylip_interleaved_short", true, "2 4\na MK\nb MR\n\nLV\nL\n",
                    "pep.fa:3: 'b' has 3 residues where the counts line says 4"}),
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

struct AlignmentCase {
    const char* name;
    std::string text;
    std::vector<Expected> records;
};

class AlignmentFormatTest : public testing::TestWithParam<AlignmentCase> {};

// Peptide alignments in the other formats, recognised by content; their gap characters
// read as '-'.
TEST_P(AlignmentFormatTest, ReadsRecords) {
    expect_records(read_alignment(GetParam().text, "pep"), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AlignmentFormatTest,
    testing::Values(
        AlignmentCase{"stockholm_interleaved_with_annotations",
                      "# STOCKHOLM 1.0\n#=GF ID fam\n\n#=GS a/1 AC P1\na/1  MK.L\nb    M~-W\n"
                      "#=GR a/1 SS HHEE\n#=GC SS_cons HHEE\n\na/1  WW\nb    ..\n//\n",
                      {{"a/1", "MK-LWW", 5}, {"b", "M--W--", 6}}},
        AlignmentCase{"stockholm_blocks_without_blank_lines",
                      "\xEF\xBB\xBF# STOCKHOLM 1.0\r\na MK\r\nb MR\r\na L\r\nb W\r\n//\r\n",
                      {{"a", "MKL", 2}, {"b", "MRW", 3}}},
        AlignmentCase{"phylip_sequential",
                      " 2 5\na   MK-LV\nbb  MR.L~\n",
                      {{"a", "MK-LV", 2}, {"bb", "MR-L-", 3}}},
        AlignmentCase{"phylip_sequential_wrapped_and_grouped",
                      "2 12\na MKLVW\nQQRR STT\n\nb MKLVWQ\nQRRSTT\n",
                      {{"a", "MKLVWQQRRSTT", 2}, {"b", "MKLVWQQRRSTT", 5}}},
        AlignmentCase{"phylip_interleaved",
                      "2 6\na MK\nb MR\n\nLV\nL-\n\nWW\nW-\n",
                      {{"a", "MKLVWW", 2}, {"b", "MRL-W-", 3}}},
        AlignmentCase{"fasta_gaps", ">a\nM.K~\n>b\nMK\nL.\n", {{"a", "M-K-", 1}, {"b", "MKL-", 3}}},
        AlignmentCase{"clustal_dots",
                      "CLUSTAL W\n\na  MK..\nb  M~RW\n",
                      {{"a", "MK--", 3}, {"b", "M-RW", 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SequenceFile, SequencesViewTheTextAndWrappedOnesAreJoinedOnlyWhenAsked) {
    const std::string text = ">a\nACGT\n>b\nAC\r\n\n G T\r>c\n.~\n";
    auto outcome = read_alignment(text, "in.fa");
    const auto& records = std::get<SequenceFile>(outcome).records;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].text.data(), text.data() + 3);
    EXPECT_FALSE(records[0].wrapped);
    EXPECT_TRUE(records[1].wrapped);
    EXPECT_EQ(records[1].text.data(), text.data() + 11);
    std::string scratch = "left over";
    EXPECT_EQ(sequence_of(records[1], scratch), "ACGT");
    // Gaps rewritten are a copy the file keeps; moving the file keeps it where it is viewed.
    SequenceFile moved = std::get<SequenceFile>(std::move(outcome));
    EXPECT_EQ(sequence_of(moved.records[2], scratch), "--");
}

}  // namespace
}  // namespace velbrin::io
