// Every failure a driver returns names its kind beside its report.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "codon/alignment.hpp"
#include "codon/codon_placement.hpp"
#include "genetic_code/genetic_code.hpp"
#include "genetic_code/stop_codons.hpp"

namespace velbrin::codon {
namespace {

struct KindCase {
    const char* name;
    std::int32_t table;  // 0: the custom code {M: ATG}
    std::string nt_header, peptide, nucleotides;
    FailureKind kind;
    const char* summary;
};

class FailureKinds : public testing::TestWithParam<KindCase> {};

TEST_P(FailureKinds, NameTheirKind) {
    const KindCase& c = GetParam();
    RecordMap records;
    records.insert_new({"good", {"g", "M"}, {"g", "ATG"}});
    records.insert_new({"k", {"h", c.peptide}, {c.nt_header, c.nucleotides}});
    CustomCodonTable code;
    code.insert_or_replace('M', {"ATG"});
    const AlignmentOutcome outcome =
        c.table == 0 ? align_with_custom_code("a", "n", code, std::move(records))
                     : align_with_ncbi_code("a", "n", c.table, std::move(records));
    ASSERT_TRUE(std::holds_alternative<Failure>(outcome));
    const Failure& failure = std::get<Failure>(outcome);
    EXPECT_EQ(failure.kind, c.kind);
    EXPECT_NE(failure.message.find(c.summary), std::string::npos) << failure.message;
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, FailureKinds,
    testing::Values(
        // the header check runs first: a record failing both reports its headers
        KindCase{"header", 1, "other", "MK", "ATG", FailureKind::header, "Header mismatch"},
        KindCase{"length", 1, "h", "MK", "ATGAAATAA", FailureKind::length,
                 "lengths are inconsistent"},
        KindCase{"codon", 1, "h", "MK", "ATGTGG", FailureKind::inconsistency,
                 "sequences are inconsistent"},
        KindCase{"custom_codon", 0, "h", "M", "ATA", FailureKind::inconsistency,
                 "sequences are inconsistent"},
        KindCase{"residue", 0, "h", "MW", "ATGTGG", FailureKind::unknown_residue,
                 "missing from custom"},
        KindCase{"table", 7, "h", "M", "ATG", FailureKind::table, "Invalid codon table number"}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

// Answers every question with one action and keeps what it was asked.
class FixedPolicy final : public MismatchPolicy {
public:
    explicit FixedPolicy(MismatchAction action) : action_(action) {}
    MismatchAction on_codon(const CodonMismatch& mismatch) override {
        codons.push_back(std::to_string(mismatch.record) + ":" + std::to_string(mismatch.column) +
                         ":" + std::to_string(mismatch.offset) + ":" + mismatch.residue + ":" +
                         std::string(mismatch.codon));
        return action_;
    }
    MismatchAction on_length(std::size_t record) override {
        lengths.push_back(record);
        return action_;
    }
    std::vector<std::string> codons;
    std::vector<std::size_t> lengths;

private:
    MismatchAction action_;
};

// The records through `aligner` under `policy`, as the command aligns a family: the
// rows of the records kept, each after its key line, or the first failure.
AlignmentOutcome align_under_policy(const RecordAligner& aligner, RecordMap records,
                                    MismatchPolicy& policy) {
    std::string text, row;
    std::size_t number = 0;
    for (const RecordPair& record : records.records()) {
        const auto outcome = aligner.align(record, ++number, row, &policy);
        if (const auto* failure = std::get_if<Failure>(&outcome)) return *failure;
        if (std::get<RecordAligner::Row>(outcome) == RecordAligner::Row::dropped) continue;
        text.append(record.key).append("\n").append(row).append("\n");
    }
    return text;
}

RecordAligner standard_aligner() {
    return std::get<RecordAligner>(RecordAligner::under_ncbi_code("a", "n", 1));
}

// Three records: one that passes, one with two codons its residues reject (lower case
// and a gap before them), one of the wrong length.
RecordMap policy_records() {
    RecordMap records;
    records.insert_new({"a", {"a", "MK"}, {"a", "ATGAAA"}});
    records.insert_new({"b", {"b", "M-KW"}, {"b", "gtgAAAtga"}});
    records.insert_new({"c", {"c", "MK"}, {"c", "ATGAAATAA"}});
    return records;
}

struct PolicyCase {
    const char* name;
    MismatchAction action;
    std::string text;  // the result, or "" for a failure of kind `kind`
    FailureKind kind;
    std::vector<std::string> codons;
    std::vector<std::size_t> lengths;
};

class MismatchPolicies : public testing::TestWithParam<PolicyCase> {};

TEST_P(MismatchPolicies, DecideWhatTheWalkWrites) {
    const PolicyCase& c = GetParam();
    FixedPolicy policy(c.action);
    const AlignmentOutcome outcome =
        align_under_policy(standard_aligner(), policy_records(), policy);
    EXPECT_EQ(policy.codons, c.codons);
    EXPECT_EQ(policy.lengths, c.lengths);
    if (c.text.empty()) {
        ASSERT_TRUE(std::holds_alternative<Failure>(outcome));
        EXPECT_EQ(std::get<Failure>(outcome).kind, c.kind);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome)) << std::get<Failure>(outcome).message;
    EXPECT_EQ(std::get<std::string>(outcome), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, MismatchPolicies,
    testing::Values(
        PolicyCase{
            "fail", MismatchAction::fail, "", FailureKind::inconsistency, {"1:0:0:M:GTG"}, {}},
        // drop stops at the first rejected codon; the record of the wrong length goes too
        PolicyCase{"drop",
                   MismatchAction::drop,
                   "a\nATGAAA\n",
                   FailureKind::inconsistency,
                   {"1:0:0:M:GTG"},
                   {2}},
        // the walk goes on over record b; record c still fails its length check
        PolicyCase{"mask",
                   MismatchAction::mask,
                   "",
                   FailureKind::length,
                   {"1:0:0:M:GTG", "1:3:6:W:TGA"},
                   {2}},
        PolicyCase{"accept",
                   MismatchAction::accept,
                   "",
                   FailureKind::length,
                   {"1:0:0:M:GTG", "1:3:6:W:TGA"},
                   {2}}),
    [](const testing::TestParamInfo<PolicyCase>& info) { return std::string(info.param.name); });

// A row the aligner calls placed must be what placing the texts as given writes; any
// normalising or masking must make it written.
struct PlacementCase {
    const char* name;
    std::string peptide, nucleotides;
    MismatchAction action;
    RecordAligner::Row row;
};

// A row said to be placed is what placing its texts gives.
void expect_placed_again(std::string_view peptide, std::string_view nucleotides,
                         std::string_view row) {
    std::string placed(row.size(), '?');
    ASSERT_TRUE(place_codons(peptide, nucleotides, placed.data()));
    EXPECT_EQ(placed, row);
}

class RowsPlaced : public testing::TestWithParam<PlacementCase> {};

TEST_P(RowsPlaced, OnlyWhenPlacingGivesTheSameRow) {
    const PlacementCase& c = GetParam();
    auto made = RecordAligner::under_ncbi_code("a", "n", 1);
    ASSERT_TRUE(std::holds_alternative<RecordAligner>(made));
    FixedPolicy policy(c.action);
    std::string row;
    const auto outcome = std::get<RecordAligner>(made).align(
        {"h", {"h", c.peptide}, {"h", c.nucleotides}}, 1, row, &policy);
    ASSERT_TRUE(std::holds_alternative<RecordAligner::Row>(outcome));
    EXPECT_EQ(std::get<RecordAligner::Row>(outcome), c.row);
    if (c.row == RecordAligner::Row::placed) expect_placed_again(c.peptide, c.nucleotides, row);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RowsPlaced,
    testing::Values(PlacementCase{"plain", "MK", "ATGAAA", MismatchAction::fail,
                                  RecordAligner::Row::placed},
                    PlacementCase{"gap_runs", "--M---KW-----------MK--", "ATGAAATGGATGAAG",
                                  MismatchAction::fail, RecordAligner::Row::placed},
                    PlacementCase{"long_run", std::string(70, 'K'), std::string(210, 'A'),
                                  MismatchAction::fail, RecordAligner::Row::placed},
                    PlacementCase{"accepted_mismatch", "MW", "GTGTGA", MismatchAction::accept,
                                  RecordAligner::Row::placed},
                    PlacementCase{"masked_mismatch", "MW", "ATGTGA", MismatchAction::mask,
                                  RecordAligner::Row::written},
                    PlacementCase{"lower_case", "MK", "atgaaa", MismatchAction::fail,
                                  RecordAligner::Row::written},
                    PlacementCase{"dot_gap", "M.K", "ATGAAA", MismatchAction::fail,
                                  RecordAligner::Row::written}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    std::string peptide, nucleotides;
    bool trimmed;
    std::optional<std::string> row;  // none: the record fails its length check
    RecordAligner::Row written = RecordAligner::Row::placed;
};

class TerminalStops : public testing::TestWithParam<StopCase> {};

// The stop is dropped as the last codon of the normalised nucleotides; a placed row is
// still what placing gives from the start of the text.
TEST_P(TerminalStops, AreDroppedOnlyWhenOneCodonTooManyIsAStop) {
    const StopCase& c = GetParam();
    const auto made = RecordAligner::under_ncbi_code("a", "n", 1);
    const StopCodons stops = StopCodons::of_ncbi_table(*ncbi_table(1));
    RecordAligner::TerminalStops terminal{&stops};
    std::string row;
    const auto outcome = std::get<RecordAligner>(made).align(
        {"h", {"h", c.peptide}, {"h", c.nucleotides}}, 1, row, nullptr, &terminal);
    EXPECT_EQ(terminal.trimmed, c.trimmed);
    if (!c.row) {
        ASSERT_TRUE(std::holds_alternative<Failure>(outcome));
        EXPECT_EQ(std::get<Failure>(outcome).kind, FailureKind::length);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<RecordAligner::Row>(outcome));
    EXPECT_EQ(row, *c.row);
    EXPECT_EQ(std::get<RecordAligner::Row>(outcome), c.written);
    if (c.written == RecordAligner::Row::placed) expect_placed_again(c.peptide, c.nucleotides, row);
}

INSTANTIATE_TEST_SUITE_P(
    Records, TerminalStops,
    testing::Values(StopCase{"carried", "M-K", "ATGAAATAA", true, "ATG---AAA"},
                    StopCase{"lower_case_split_by_gaps", "MK", "ATGAAAt-a.g", true, "ATGAAA",
                             RecordAligner::Row::written},
                    StopCase{"followed_by_white_space", "MK", "ATGAAATGA \n", true, "ATGAAA"},
                    StopCase{"in_the_peptide_too", "MK*", "ATGAAATAA", false, "ATGAAATAA"},
                    StopCase{"no_stop", "MK", "ATGAAACCC", false, std::nullopt},
                    StopCase{"two_codons_too_many", "M", "ATGAAATAA", false, std::nullopt}),
    [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(RowsPlaced, NotWhenTheBasesRunOut) {
    std::string line(9, '?');
    EXPECT_FALSE(place_codons("M-K", "ATGAA", line.data()));
}

TEST(MismatchPolicies, MaskAndAcceptGoOnToTheEndOfTheRecord) {
    for (const auto& [action, row] : {std::pair{MismatchAction::mask, "NNN---AAANNN"},
                                      std::pair{MismatchAction::accept, "GTG---AAATGA"}}) {
        RecordMap records;
        records.insert_new({"b", {"b", "M-KW"}, {"b", "gtgAAAtga"}});
        records.insert_new({"d", {"d", "K"}, {"d", "AAG"}});
        FixedPolicy policy(action);
        const AlignmentOutcome outcome =
            align_under_policy(standard_aligner(), std::move(records), policy);
        ASSERT_TRUE(std::holds_alternative<std::string>(outcome));
        EXPECT_EQ(std::get<std::string>(outcome), "b\n" + std::string(row) + "\nd\nAAG\n");
    }
}

// The module's labels for the paths "a" and "n" are "a.fa" and "n.fa".
TEST(MismatchPolicies, FailGivesTheReportOfACallWithoutPolicy) {
    FixedPolicy policy(MismatchAction::fail);
    CustomCodonTable code;
    code.insert_or_replace('M', {"ATG"});
    code.insert_or_replace('K', {"AAA"});
    code.insert_or_replace('W', {"TGG"});
    const AlignmentOutcome with = align_under_policy(
        RecordAligner::under_custom_code("a.fa", "n.fa", code), policy_records(), policy);
    const AlignmentOutcome without = align_with_custom_code("a", "n", code, policy_records());
    ASSERT_TRUE(std::holds_alternative<Failure>(with));
    EXPECT_EQ(std::get<Failure>(with).message, std::get<Failure>(without).message);
}

TEST(MismatchPolicies, HeaderAndResidueFailuresAreNotPutToThePolicy) {
    RecordMap records;
    records.insert_new({"a", {"a", "MK"}, {"other", "ATGAAATAA"}});
    FixedPolicy policy(MismatchAction::drop);
    const AlignmentOutcome header =
        align_under_policy(standard_aligner(), std::move(records), policy);
    ASSERT_TRUE(std::holds_alternative<Failure>(header));
    EXPECT_EQ(std::get<Failure>(header).kind, FailureKind::header);

    CustomCodonTable code;
    code.insert_or_replace('M', {"ATG"});
    RecordMap unknown;
    unknown.insert_new({"a", {"a", "MW"}, {"a", "ATGTGG"}});
    const AlignmentOutcome residue = align_under_policy(
        RecordAligner::under_custom_code("a", "n", code), std::move(unknown), policy);
    ASSERT_TRUE(std::holds_alternative<Failure>(residue));
    EXPECT_EQ(std::get<Failure>(residue).kind, FailureKind::unknown_residue);
    EXPECT_TRUE(policy.codons.empty());
    EXPECT_TRUE(policy.lengths.empty());
}

}  // namespace
}  // namespace velbrin::codon
