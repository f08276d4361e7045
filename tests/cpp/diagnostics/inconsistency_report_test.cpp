#include "diagnostics/inconsistency_report.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "diagnostics/error_block.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::diagnostics {
namespace {

using codon::CustomCode;
using codon::CustomCodonTable;
using codon::GeneticCodeRef;
using codon::NcbiCode;
using codon::NoGeneticCode;

constexpr std::string_view kStandardCode =
    "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG";
const GeneticCodeRef kStandard = NcbiCode{kStandardCode};

// The report of one record with fixed labels and headers.
std::string report(std::string_view residues, std::string_view nt_seq, std::size_t position,
                   const GeneticCodeRef& code, bool mark = true) {
    return format_seq_inconsistency_details("a.fa", "h", residues, "n.fa", "h", nt_seq, position,
                                            code, mark);
}

constexpr std::string_view kPreamble =
    "Peptide header (a.fa) : h\nNucleotide header (n.fa) : h\n\n";

std::string with_preamble(std::string_view body) {
    return std::string(kPreamble) + std::string(body);
}

// ---- worked examples --------------------------------------------------------------------

// The worked examples under tests/data, shared with the module's tests: each folder holds
// two one-record files and the report of their first mismatching residue.
std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct FastaRecord {
    std::string header;
    std::string sequence;
};

FastaRecord read_one_record(const std::string& path) {
    std::istringstream lines(read_file(path));
    FastaRecord record;
    std::getline(lines, record.header);
    record.header.erase(0, 1);
    for (std::string line; std::getline(lines, line);) record.sequence += line;
    return record;
}

struct WorkedExample {
    const char* name;
    std::size_t mismatch;
};

class WorkedExampleReport : public testing::TestWithParam<WorkedExample> {};

TEST_P(WorkedExampleReport, IsExactInsideItsErrorBlock) {
    const std::string folder =
        std::string(VELBRIN_SOURCE_DIR "/tests/data/worked_examples/") + GetParam().name;
    const FastaRecord aa = read_one_record(folder + "/gene7_aa.fa");
    const FastaRecord nt = read_one_record(folder + "/gene7_nt.fa");
    const std::string details = format_seq_inconsistency_details(
        "gene7_aa.fa", aa.header, aa.sequence, "gene7_nt.fa", nt.header, nt.sequence,
        GetParam().mismatch, kStandard, true);
    EXPECT_EQ(format_error_block(kSequenceMismatch, details), read_file(folder + "/report.txt"));
}

INSTANTIATE_TEST_SUITE_P(Data, WorkedExampleReport,
                         testing::Values(WorkedExample{"whole_record", 3},
                                         WorkedExample{"window_cut_on_both_sides", 13}),
                         [](const testing::TestParamInfo<WorkedExample>& info) {
                             return info.param.name;
                         });

// ---- windows and layout -----------------------------------------------------------------

struct LayoutCase {
    const char* name;
    std::string residues;
    std::string nt_seq;
    std::size_t position;
    GeneticCodeRef code;
    bool mark;
    std::string expected_body;  // the report after its two header lines and blank line
};

class ReportLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(ReportLayout, ProducesTheExpectedText) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(report(c.residues, c.nt_seq, c.position, c.code, c.mark),
              with_preamble(c.expected_body));
}

const std::string kResidues25 = "ACDEFGHIKLMNPQRSTVWYACDEF";

INSTANTIATE_TEST_SUITE_P(
    Windows, ReportLayout,
    testing::Values(
        LayoutCase{"EmptyResidues", "", "ATG", 0, NoGeneticCode{}, false,
                   ">h 1-0\n(empty)\n>h 1-0\n(empty)\n"},
        LayoutCase{"NucleotidesEndBeforeWindow", kResidues25, std::string(30, 'A'), 20,
                   NoGeneticCode{}, false,
                   ">h 11-25\n.MNPQRSTVWYACDEF\n M  N  P  Q  R  S  T  V  W  Y  A  C  D  E  F\n>h "
                   "31-30\n(empty)\n"},
        LayoutCase{"TwoNucleotidesBehindCut", kResidues25, std::string(42, 'A') + "GA", 24,
                   kStandard, true,
                   ">h 15-25\n.RSTVWYACDEF\n R  S  T  V  W  Y  A  C  D  E  F\n>h 43-44\n...GA\n"},
        LayoutCase{"OneNucleotide", "MK", "A", 1, kStandard, true,
                   ">h 1-2\nMK\n M  K\n>h 1-1\nA\n"},
        LayoutCase{"NoCodeEvenWhenMarking", "MKVL", "ATGAAAGTTCCG", 3, NoGeneticCode{}, true,
                   ">h 1-4\nMKVL\n M  K  V  L\n>h 1-12\nATGAAAGTTCCG\n"},
        LayoutCase{"NoMarkerLineWhenAllFit", "MKV", "ATGAAAGTT", 0, kStandard, true,
                   ">h 1-3\nMKV\n M  K  V\n>h 1-9\nATGAAAGTT\n M  K  V\n"},
        LayoutCase{"MarkingOff", "MKVL", "ATGAAAGTTCCG", 3, kStandard, false,
                   ">h 1-4\nMKVL\n M  K  V  L\n>h 1-12\nATGAAAGTTCCG\n M  K  V  P\n"},
        LayoutCase{"NucleotidesEndInsideWindow", "MKVL", "ATGAAACCGTT", 3, kStandard, true,
                   ">h 1-4\nMKVL\n M  K  V  L\n>h 1-11\nATGAAACCGTT\n M  K  P\n      ___  \n"},
        LayoutCase{"NucleotidesLongerThanWindow", "MK", "ATGCCCGGG", 0, kStandard, true,
                   ">h 1-2\nMK\n M  K\n>h 1-6\nATGCCC...\n M  P\n   ___\n"},
        LayoutCase{"CutOnlyAtTheStart", kResidues25, "GCT" + std::string(66, 'A') + "GAGTTT", 24,
                   kStandard, true,
                   ">h 15-25\n.RSTVWYACDEF\n R  S  T  V  W  Y  A  C  D  E  F\n>h 43-75\n"
                   "...AAAAAAAAAAAAAAAAAAAAAAAAAAAGAGTTT\n"
                   "    K  K  K  K  K  K  K  K  K  E  F\n"
                   "   ___________________________      \n"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(InconsistencyReport, PositionBeyondTheLastResidueCountsAsTheLast) {
    const std::string at_last = report(kResidues25, std::string(75, 'A'), 24, kStandard);
    EXPECT_EQ(report(kResidues25, std::string(75, 'A'), 25, kStandard), at_last);
    EXPECT_EQ(report(kResidues25, std::string(75, 'A'), static_cast<std::size_t>(-1), kStandard),
              at_last);
}

// ---- translation and markers --------------------------------------------------------------

struct MarkCase {
    const char* name;
    std::string residues;
    std::string nt_seq;
    std::string translation;  // translation track
    std::string markers;      // marker line, empty when left out
};

class NcbiMarking : public testing::TestWithParam<MarkCase> {};

TEST_P(NcbiMarking, TranslatesAndUnderlines) {
    const MarkCase& c = GetParam();
    std::string expected_tail = c.nt_seq + "\n" + c.translation + "\n";
    if (!c.markers.empty()) expected_tail += c.markers + "\n";
    const std::string text = report(c.residues, c.nt_seq, 0, kStandard);
    ASSERT_GE(text.size(), expected_tail.size());
    EXPECT_EQ(text.substr(text.size() - expected_tail.size()), expected_tail);
}

INSTANTIATE_TEST_SUITE_P(
    StandardCode, NcbiMarking,
    testing::Values(MarkCase{"ResidueXAlwaysMarked", "MXK", "ATGNNNAAA", " M  X  K", "   ___   "},
                    MarkCase{"ResidueXMarkedUnderAnyCodon", "X", "ATG", " M", "___"},
                    MarkCase{"SignatureLetters", "BJZBJZ", "GATCTTCAAAACATGGAG",
                             " D  L  Q  N  M  E", "            ___   "},
                    MarkCase{"SignatureSecondLetters", "BJZ", "AACATAGAG", " N  I  E", ""},
                    MarkCase{"AmbiguityShowsXButMayFit", "LH", "YTRRAY", " X  X", "   ___"},
                    MarkCase{"NucleotideNMarkedUnlessAResolutionFits", "MA", "CTNGCN", " X  X",
                             "___   "},
                    MarkCase{"LowerCaseAndU", "MF", "augUUu", " M  F", ""},
                    MarkCase{"StopResidue", "*W", "TAATGA", " *  *", "   ___"}),
    [](const testing::TestParamInfo<MarkCase>& info) { return info.param.name; });

// Table letters, lists and residues chosen so every custom-table rule shows in one report.
class CustomTableReport : public testing::Test {
protected:
    void SetUp() override {
        table_.insert_or_replace(U'Q', {"AAA"});
        table_.insert_or_replace(U'K', {"AAA", "AAG"});
        table_.insert_or_replace(U'M', {"ATG"});
        table_.insert_or_replace(U'\u00E9', {"TTT"});  // é
        table_.insert_or_replace(U'\u20AC', {"ccc"});  // €
        table_.insert_or_replace(U'B', {"GAT"});
    }
    CustomCodonTable table_;
};

TEST_F(CustomTableReport, TranslatesToKeyCharactersAndMarksUncoveredResidues) {
    // Q and K both list AAA: the smaller code point, K, is shown.  ATR covers ATG.
    // F and X are no keys; B is an ordinary key here, so GAC (not listed) is marked.
    // The list "ccc" covers CCC through the ambiguity test, which ignores letter case.
    const std::string text = report("KMFQXBBM", "AAAATRTTTAAAAAAGATGACCCC", 0, CustomCode{&table_});
    EXPECT_EQ(text,
              with_preamble(
                  ">h 1-8\nKMFQXBBM\n K  M  F  Q  X  B  B  M\n>h 1-24\nAAAATRTTTAAAAAAGATGACCCC\n"
                  " K  M  \u00E9  K  K  B  X  \u20AC\n"
                  "      ___   ___   ______\n"));
}

TEST(CustomTableEmpty, EveryGroupIsXAndEveryResidueMarked) {
    const CustomCodonTable empty;
    EXPECT_EQ(report("MK", "ATGAAA", 0, CustomCode{&empty}),
              with_preamble(">h 1-2\nMK\n M  K\n>h 1-6\nATGAAA\n X  X\n______\n"));
}

TEST(CustomTableX, ResidueXFitsWhenXListsTheCodon) {
    CustomCodonTable table;
    table.insert_or_replace(U'X', {"NNN"});
    EXPECT_EQ(report("XX", "NNNAAA", 0, CustomCode{&table}),
              with_preamble(">h 1-2\nXX\n X  X\n>h 1-6\nNNNAAA\n X  X\n   ___\n"));
}

// ---- multi-byte characters cut by windows and codons ---------------------------------------

TEST(InconsistencyReportUtf8, CutCharactersShowAsQuestionMarksPerByte) {
    // "é" (2 bytes) straddles the window start, "€" (3 bytes) the window end.
    std::string nt =
        std::string(41, 'A') + "\xC3\xA9" + std::string(30, 'C') + "\xE2\x82\xAC" + "GG";
    ASSERT_EQ(nt.size(), 78U);
    const std::string text = report(kResidues25, nt, 24, kStandard);
    EXPECT_TRUE(text::is_valid_utf8(text));
    EXPECT_NE(text.find(">h 43-75\n...?CCCCCCCCCCCCCCCCCCCCCCCCCCCCCC??...\n"), std::string::npos)
        << text;
}

TEST(InconsistencyReportUtf8, WholeCharacterInsideTheWindowIsKept) {
    const std::string text = report("MK",
                                    "\xC3\xA9"
                                    "GAAA",
                                    0, kStandard);
    EXPECT_EQ(text, with_preamble(">h 1-2\nMK\n M  K\n>h 1-6\n\xC3\xA9GAAA\n X  K\n___   \n"));
}

// Every window position over text full of multi-byte characters, under every kind of code.
TEST(InconsistencyReportUtf8, ReportsStayValidWhereverWindowsCut) {
    CustomCodonTable table;
    table.insert_or_replace(U'\U0001F600', {"\xC3\xA9"
                                            "A"});
    table.insert_or_replace(U'A', {"AAA"});
    const GeneticCodeRef codes[] = {NoGeneticCode{}, kStandard, CustomCode{&table}};
    std::string nt;
    while (nt.size() < 90)
        nt +=
            "\xC3\xA9"
            "A\xE2\x82\xAC\xF0\x9F\x98\x80T";
    const std::string residues =
        "AMK\xC3\xA9"
        "AAAAAAAAAAAAAAAAAAAA\xE2\x82\xAC";
    for (const GeneticCodeRef& code : codes) {
        for (std::size_t drop = 0; drop < 12; ++drop) {
            const std::string_view nt_seq = std::string_view(nt).substr(drop);
            for (std::size_t position = 0; position < residues.size(); ++position) {
                const std::string text = report(residues, nt_seq, position, code);
                EXPECT_TRUE(text::is_valid_utf8(text))
                    << "position " << position << ", drop " << drop;
            }
        }
    }
}

// ---- spaced_aa_track ----------------------------------------------------------------------

struct TrackCase {
    const char* name;
    std::string letters;
    std::string track;
};

class SpacedTrack : public testing::TestWithParam<TrackCase> {};

TEST_P(SpacedTrack, PlacesCharacterIUnderCodonMiddle) {
    EXPECT_EQ(spaced_aa_track(GetParam().letters), GetParam().track);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, SpacedTrack,
    testing::Values(TrackCase{"Empty", "", ""}, TrackCase{"One", "M", " M"},
                    TrackCase{"Three", "MK*", " M  K  *"},
                    TrackCase{"SpaceIsPlacedToo", "A B", " A     B"},
                    TrackCase{"MultiByteCharactersWhole", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                              " \xC3\xA9  \xE2\x82\xAC  \xF0\x9F\x98\x80"},
                    TrackCase{"InvalidBytesEachShownAsQuestionMark",
                              "A\xE2\x82"
                              "B",
                              " A  ?  ?  B"}),
    [](const testing::TestParamInfo<TrackCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velbrin::diagnostics
