#include "codon/amino_acid_translator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {
namespace {

struct NormaliseCase {
    std::string input;
    std::string expected;
};

class PeptideNormalisation : public testing::TestWithParam<NormaliseCase> {};

TEST_P(PeptideNormalisation, MapsEveryCharacterToOneResidue) {
    std::string storage;
    EXPECT_EQ(normalise_peptide(GetParam().input, storage), GetParam().expected);
    // the result is sized from this before the peptide is normalised
    EXPECT_EQ(normalised_peptide_length(GetParam().input), GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeptideNormalisation,
    testing::Values(NormaliseCase{" m.k-x*\n", "M-K-X*"}, NormaliseCase{"ouOU", "XXXX"},
                    NormaliseCase{"b j z", "BXJXZ"}, NormaliseCase{"\xC3\xA9", "X"},
                    NormaliseCase{"12", "XX"}, NormaliseCase{"+,/:;<=>?@", "XXXXXXXXXX"},
                    NormaliseCase{"\xC2\xA0MK\xE3\x80\x80",
                                  "MK"},  // no-break and ideographic space
                    NormaliseCase{"A\xE2\x82\xAC\xF0\x9F\x98\x80"
                                  "C",
                                  "AXXC"},
                    NormaliseCase{std::string("M\0K", 3), "MXK"}, NormaliseCase{"", ""},
                    NormaliseCase{"[\\]^_`{|}~", "XXXXXXXXXX"}, NormaliseCase{"MK-", "MK-"},
                    NormaliseCase{"\xC3(\xE2\x82", "XXXX"}));  // bytes that are no whole character

class NucleotideNormalisation : public testing::TestWithParam<NormaliseCase> {};

TEST_P(NucleotideNormalisation, UpperCasesAndDropsGapSigns) {
    std::string storage;
    EXPECT_EQ(normalise_nucleotides(GetParam().input, storage), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NucleotideNormalisation,
                         testing::Values(NormaliseCase{"  acg-T.a\n", "ACGTA"},
                                         NormaliseCase{"ac gt", "AC GT"},
                                         NormaliseCase{"u1n?", "U1N?"},
                                         NormaliseCase{"\xC3\xA9t", "\xC3\xA9T"},
                                         NormaliseCase{"--..", ""}));

std::string_view label(const char* text) { return text; }

// A normalised translator with the texts it views kept beside it.
struct TestRecord {
    std::string aa_header, aa_seq, nt_header, nt_seq;
    AminoAcidTranslator translator;

    TestRecord(std::string aa_header_, std::string aa_seq_, std::string nt_header_,
               std::string nt_seq_, std::size_t index = 1)
        : aa_header(std::move(aa_header_)),
          aa_seq(std::move(aa_seq_)),
          nt_header(std::move(nt_header_)),
          nt_seq(std::move(nt_seq_)),
          translator(label("a.fa"), aa_header, aa_seq, label("n.fa"), nt_header, nt_seq, index) {
        translator.streamline();
    }
    const AminoAcidTranslator* operator->() const { return &translator; }
};

std::string summary_of(const std::string& report) {
    const auto start = report.find("tarnix ERROR: ");
    return report.substr(start + 14, report.find('\n', start) - start - 14);
}

// The peptide window's header line, ">{header} {first}-{last}", tells the position.
std::string peptide_window(const std::string& report) {
    const auto start = report.find("\n>") + 1;
    return report.substr(start, report.find('\n', start) - start);
}

TEST(DoChecks, HeaderMismatchNamesBothHeadersAndIndex) {
    const TestRecord record("seq1", "MK", "seq1 ", "ATGAAA", 7);
    record->do_checks();
    ASSERT_TRUE(record->has_error());
    EXPECT_NE(record->error().find("Sequence index: 7\nExpected header (a.fa): \"seq1\"\n"
                                   "header found (n.fa): \"seq1 \"\n"),
              std::string::npos);
    EXPECT_EQ(summary_of(record->error()),
              "Header mismatch between peptide and nucleotide records.");
}

TEST(DoChecks, HeaderReportWinsOverLengthReport) {
    const TestRecord record("s1", "MK", "s2", "ATG");
    record->do_checks();
    EXPECT_EQ(summary_of(record->error()),
              "Header mismatch between peptide and nucleotide records.");
}

TEST(DoChecks, LongHeadersAreTruncatedInTheReport) {
    const std::string header(200, 'h');
    const TestRecord record(header, "M", header + "x", "ATG");
    record->do_checks();
    EXPECT_NE(record->error().find('"' + std::string(150, 'h') + "...\""), std::string::npos);
}

struct LengthCase {
    std::string peptide;
    std::size_t nucleotides;
    bool passes;
    std::string window;  // peptide window header when it fails
};

class LengthCheck : public testing::TestWithParam<LengthCase> {};

TEST_P(LengthCheck, PassesOnlyOnThreeBasesPerResidue) {
    const auto& c = GetParam();
    const TestRecord record("h", c.peptide, "h", std::string(c.nucleotides, 'A'));
    record->do_checks();
    ASSERT_EQ(!record->has_error(), c.passes);
    if (c.passes) return;
    EXPECT_EQ(summary_of(record->error()), "Peptide and nucleotide lengths are inconsistent.");
    EXPECT_EQ(peptide_window(record->error()), c.window);
}

const std::string kThirty = "ACDEFGHIKLMNPQRSTVWYACDEFGHIKL";

INSTANTIATE_TEST_SUITE_P(
    Cases, LengthCheck,
    testing::Values(LengthCase{"M*", 6, true, ""}, LengthCase{"M*", 3, false, ">h 1-2"},
                    LengthCase{"", 0, true, ""}, LengthCase{"", 3, false, ">h 1-0"},
                    LengthCase{"M-K--", 6, true, ""},
                    // the window is centred on the last residue the nucleotides reach
                    LengthCase{kThirty, 3 * 25 + 1, false, ">h 16-30"},
                    LengthCase{kThirty, 3 * 15, false, ">h 5-25"},
                    LengthCase{kThirty, 0, false, ">h 1-11"},
                    LengthCase{kThirty + "-----", 3 * 31, false, ">h 20-30"}));

struct MismatchCase {
    std::string peptide;
    std::size_t column;
    std::string window;
};

class MismatchPosition : public testing::TestWithParam<MismatchCase> {};

TEST_P(MismatchPosition, CountsResiduesUpToTheColumn) {
    const auto& c = GetParam();
    std::size_t residues = 0;
    for (char r : c.peptide) residues += r != '-';
    const TestRecord record("h", c.peptide, "h", std::string(3 * residues, 'A'));
    record->error_out_mismatch(c.column, NcbiCode{*ncbi_table(1)});
    ASSERT_TRUE(record->has_error());
    EXPECT_EQ(summary_of(record->error()), "Peptide and nucleotide sequences are inconsistent.");
    EXPECT_EQ(peptide_window(record->error()), c.window);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MismatchPosition,
    testing::Values(MismatchCase{"MK--LV", 5, ">h 1-4"}, MismatchCase{"--" + kThirty, 0, ">h 1-11"},
                    MismatchCase{"--" + kThirty, 2, ">h 1-11"},
                    MismatchCase{kThirty.substr(0, 15) + "---" + kThirty.substr(15), 20,
                                 ">h 8-28"}));

TEST(RecordError, FirstReportWins) {
    const TestRecord record("h", "MK", "h", "ATGAAA");
    record->record_error("first", FailureKind::header);
    record->error_out_mismatch(1, NcbiCode{*ncbi_table(1)});
    record->record_error("third", FailureKind::length);
    EXPECT_TRUE(record->has_error());
    EXPECT_EQ(record->error(), "first");
    EXPECT_EQ(record->error_kind(), FailureKind::header);
}

}  // namespace
}  // namespace velbrin::codon

namespace velbrin::codon {
namespace {

// The byte scans work in blocks of 32 bytes with a last, overlapping or padded one, and
// count in byte-wide lanes emptied every 255 blocks: a gap, a lower-case letter or a
// gap sign is seen wherever it lies, whatever the length.
class ScanEdges : public testing::TestWithParam<std::size_t> {};

TEST_P(ScanEdges, SeeEveryPosition) {
    const std::size_t length = GetParam();
    std::string peptide;
    for (std::size_t at = 0; at < length; ++at) peptide += at % 7 == 3 ? '-' : 'M';
    const std::size_t residues =
        length - std::size_t(std::count(peptide.begin(), peptide.end(), '-'));
    for (const std::size_t at : {std::size_t{0}, length / 2, length - 1}) {
        std::string lower = peptide;
        lower[at] = lower[at] == '-' ? '.' : 'm';
        std::string storage;
        EXPECT_EQ(normalise_peptide(lower, storage), peptide) << at;
        std::string bases(3 * residues + 1, 'A');
        bases[std::min(at, bases.size() - 1)] = at % 2 ? '-' : 'a';
        const std::string expected =
            at % 2 ? std::string(3 * residues, 'A') : std::string(3 * residues + 1, 'A');
        EXPECT_EQ(normalise_nucleotides(bases, storage), expected) << at;
    }
    for (const std::size_t bases : {3 * residues, 3 * residues + 3}) {
        const TestRecord record("h", peptide, "h", std::string(bases, 'A'));
        record->do_checks();
        EXPECT_EQ(record->has_error(), bases != 3 * residues) << bases;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ScanEdges,
                         testing::Values(1, 4, 31, 32, 33, 95, 255 * 32 + 5, 255 * 64 + 31));

}  // namespace
}  // namespace velbrin::codon
