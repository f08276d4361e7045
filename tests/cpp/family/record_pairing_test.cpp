#include "family/record_pairing.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velbrin::family {
namespace {

FamilyFiles files_of(const std::vector<std::string>& peptides,
                     const std::vector<std::string>& nucleotides) {
    FamilyFiles files;
    files.peptide_label = "pep.fa";
    files.nucleotide_labels = {"cds.fa"};
    std::size_t line = 1;
    for (const auto& header : peptides) files.peptides.push_back({header, "M", line++});
    line = 1;
    for (const auto& header : nucleotides) {
        files.nucleotides.push_back({header, "ATG", line++});
        files.nucleotide_file.push_back(0);
    }
    return files;
}

struct PairingCase {
    const char* name;
    Pairing mode;
    std::vector<std::string> peptides, nucleotides;
    std::vector<std::size_t> partner;  // empty: the pairing fails
    std::string failure;               // a part of the failure's message
};

class PairingModes : public testing::TestWithParam<PairingCase> {};

TEST_P(PairingModes, PairOrFailNamingTheRecords) {
    const PairingCase& c = GetParam();
    PairingRules rules;
    rules.mode = c.mode;
    const FamilyFiles files = files_of(c.peptides, c.nucleotides);
    const io::Result<RecordPairs> pairs = pair_records(files, rules);
    if (c.partner.empty()) {
        ASSERT_FALSE(pairs.ok());
        EXPECT_NE(pairs.failure().message.find(c.failure), std::string::npos)
            << pairs.failure().message;
        EXPECT_EQ(pairs.failure().kind, io::FailureKind::pairing);
        return;
    }
    ASSERT_TRUE(pairs.ok()) << pairs.failure().message;
    EXPECT_EQ(pairs->partner, c.partner);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PairingModes,
    testing::Values(
        PairingCase{"by_id", Pairing::by_id, {"b x", "a"}, {"a", "z", "b y"}, {2, 0}, ""},
        PairingCase{"by_id_missing",
                    Pairing::by_id,
                    {"a", "b"},
                    {"a"},
                    {},
                    "pep.fa:2: no nucleotide record has the ID 'b'"},
        PairingCase{"by_id_repeat",
                    Pairing::by_id,
                    {"a", "a"},
                    {"a"},
                    {},
                    "duplicate ID 'a': pep.fa:1 and pep.fa:2"},
        PairingCase{
            "by_id_exact_only", Pairing::by_id, {"a/b"}, {"a_b"}, {}, "no nucleotide record"},
        PairingCase{"by_id_file_order",
                    Pairing::by_id,
                    {"a x", "b", "c"},
                    {"a", "b y", "c"},
                    {0, 1, 2},
                    ""},
        PairingCase{"by_id_file_order_repeat",
                    Pairing::by_id,
                    {"a", "b", "a"},
                    {"a", "b", "a"},
                    {},
                    "duplicate ID 'a': pep.fa:1 and pep.fa:3"},
        PairingCase{"order", Pairing::by_order, {"p1", "p2"}, {"n1", "n2"}, {0, 1}, ""},
        PairingCase{"order_counts",
                    Pairing::by_order,
                    {"p1", "p2"},
                    {"n1"},
                    {},
                    "pep.fa has 2, the nucleotide input 1"},
        PairingCase{"loose_exact_first", Pairing::loose, {"a_b"}, {"a/b", "a_b"}, {1}, ""},
        PairingCase{"loose_rewritten", Pairing::loose, {"sp_P1_x"}, {"sp|P1(x"}, {0}, ""},
        PairingCase{
            "loose_cut_name", Pairing::loose, {"ENSG0000012"}, {"ENSG000001234567"}, {0}, ""},
        PairingCase{"loose_short_cut",
                    Pairing::loose,
                    {"ENSG00"},
                    {"ENSG000001234567"},
                    {},
                    "no nucleotide record"},
        PairingCase{"loose_cut_two",
                    Pairing::loose,
                    {"ENSG0000012"},
                    {"ENSG000001234", "ENSG000001299"},
                    {},
                    "could pair with 'ENSG000001234' (cds.fa:1) or 'ENSG000001299' (cds.fa:2)"},
        PairingCase{
            "loose_rewritten_two", Pairing::loose, {"a_b"}, {"a/b", "a:b"}, {}, "could pair with"},
        PairingCase{"loose_frame", Pairing::loose, {"gene7_3", "g_1"}, {"g", "gene7"}, {1, 0}, ""},
        PairingCase{
            "loose_frame_range", Pairing::loose, {"g_7"}, {"g"}, {}, "no nucleotide record"},
        PairingCase{"loose_taken_twice",
                    Pairing::loose,
                    {"g", "g_1"},
                    {"g"},
                    {},
                    "pairs with two peptides"}),
    [](const testing::TestParamInfo<PairingCase>& info) { return std::string(info.param.name); });

TEST(PairingNotes, OrderCountsDifferingIdsAndLooseRules) {
    PairingRules rules;
    rules.mode = Pairing::by_order;
    const auto order = pair_records(files_of({"a", "b", "c"}, {"a", "x", "y"}), rules);
    ASSERT_TRUE(order.ok());
    EXPECT_EQ(order->differing_ids, 2u);
    EXPECT_EQ(order->first_differing, 1u);

    rules.mode = Pairing::loose;
    const auto loose =
        pair_records(files_of({"a_1", "b_c", "d"}, {"d", "b/c", "a", "unasked"}), rules);
    ASSERT_TRUE(loose.ok());
    ASSERT_EQ(loose->loose.size(), 2u);
    EXPECT_EQ(loose->loose[0].rule, LooseRule::frame_suffix);
    EXPECT_EQ(loose->loose[1].rule, LooseRule::rewritten_characters);
    EXPECT_EQ(loose->skipped_nucleotides, 1u);
}

struct PatternCase {
    const char* name;
    const char* peptide_pattern;  // "" for none
    const char* nucleotide_pattern;
    std::vector<std::string> peptides, nucleotides;
    std::vector<std::size_t> partner;
    std::string failure;
    std::size_t without_id = 0;
};

class IdPatterns : public testing::TestWithParam<PatternCase> {};

TEST_P(IdPatterns, FindTheIdInTheFullHeader) {
    const PatternCase& c = GetParam();
    std::optional<IdPattern> peptide, nucleotide;
    if (*c.peptide_pattern != '\0') peptide.emplace(IdPattern::compile(c.peptide_pattern).value());
    if (*c.nucleotide_pattern != '\0')
        nucleotide.emplace(IdPattern::compile(c.nucleotide_pattern).value());
    PairingRules rules;
    rules.peptide_id = peptide ? &*peptide : nullptr;
    rules.nucleotide_id = nucleotide ? &*nucleotide : nullptr;
    const auto pairs = pair_records(files_of(c.peptides, c.nucleotides), rules);
    if (c.partner.empty()) {
        ASSERT_FALSE(pairs.ok());
        EXPECT_NE(pairs.failure().message.find(c.failure), std::string::npos)
            << pairs.failure().message;
        return;
    }
    ASSERT_TRUE(pairs.ok()) << pairs.failure().message;
    EXPECT_EQ(pairs->partner, c.partner);
    EXPECT_EQ(pairs->nucleotides_without_id, c.without_id);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, IdPatterns,
    testing::Values(PatternCase{"ncbi",
                                "",
                                R"(\[protein_id=([^\]]+)\])",
                                {"NP_1.1 kinase", "NP_2.1"},
                                {"lcl|NC_1_cds_NP_2.1_2 [gene=b] [protein_id=NP_2.1]",
                                 "lcl|NC_1_rrna_3 [gene=r]",
                                 "lcl|NC_1_cds_NP_1.1_1 [protein_id=NP_1.1] [location=1..9]"},
                                {2, 0},
                                "",
                                1},
                    PatternCase{"ensembl",
                                R"(transcript:(\S+))",
                                "",
                                {"ENSP01.1 pep chromosome:X transcript:ENST01.1 gene:ENSG01"},
                                {"ENST01.1 cds"},
                                {0},
                                "",
                                0},
                    PatternCase{
                        "whole_match", "ENST[0-9]+", "", {"x ENST7 y"}, {"ENST7"}, {0}, "", 0},
                    PatternCase{"peptide_without_id",
                                R"(transcript:(\S+))",
                                "",
                                {"ENSP01.1", "ENSP02 transcript:T"},
                                {"T"},
                                {},
                                "pep.fa:1: --peptide-id finds no ID in the header",
                                0}),
    [](const testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.name); });

TEST(IdPattern, AnInvalidPatternFailsWithItsFault) {
    const auto compiled = IdPattern::compile("(unclosed");
    ASSERT_FALSE(compiled.ok());
    EXPECT_NE(compiled.failure().message.find("missing )"), std::string::npos);
}

TEST(PairMap, PairsThroughTheMapAndNamesItsFaults) {
    auto map = PairMap::parse("# peptide\tcds\nP1\tC1\r\n\nP2\tC2\textra\n", "map.tsv");
    ASSERT_TRUE(map.ok()) << map.failure().message;
    PairingRules rules;
    rules.map = &*map;
    const auto pairs = pair_records(files_of({"P2", "P1"}, {"C1", "C2"}), rules);
    ASSERT_TRUE(pairs.ok()) << pairs.failure().message;
    EXPECT_EQ(pairs->partner, (std::vector<std::size_t>{1, 0}));

    const auto left_out = pair_records(files_of({"P3"}, {"C1"}), rules);
    ASSERT_FALSE(left_out.ok());
    EXPECT_EQ(left_out.failure().message, "pep.fa:1: the peptide ID 'P3' is not in map.tsv");

    const auto twice = PairMap::parse("P1\tC1\nP2\tC2\nP1\tC3\n", "map.tsv");
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(twice.failure().message,
              "map.tsv:3: the peptide ID 'P1' is mapped twice (first on line 1)");
    const auto no_tab = PairMap::parse("P1 C1\n", "map.tsv");
    ASSERT_FALSE(no_tab.ok());
    EXPECT_EQ(no_tab.failure().line, 1u);
}

}  // namespace
}  // namespace velbrin::family
