#include "codon/record_map.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace velbrin::codon {
namespace {

using namespace std::string_literals;

// The map views its texts; the tests keep them here for the whole run.
std::string_view keep(std::string text) {
    static std::deque<std::string> kept;
    return kept.emplace_back(std::move(text));
}

RecordPair record(std::string key, std::string peptide) {
    return RecordPair{
        keep(std::move(key)), {"aa header", keep(std::move(peptide))}, {"nt header", "ATG"}};
}

// The records' keys and peptides; each record's outline must be in step with it.
std::vector<std::pair<std::string, std::string>> contents(RecordMap& map) {
    std::vector<std::pair<std::string, std::string>> out;
    EXPECT_EQ(map.outlines().size(), map.records().size());
    for (std::size_t at = 0; at < map.records().size(); ++at) {
        const RecordPair& r = map.records()[at];
        EXPECT_EQ(map.outlines()[at].peptide.trimmed, r.peptide.sequence) << r.key;
        out.emplace_back(r.key, r.peptide.sequence);
    }
    return out;
}

enum class Insert { kNew, kOrReplace };

struct Step {
    Insert how;
    std::string key;
    std::string peptide;
};

struct InsertionCase {
    std::string name;
    std::vector<Step> steps;
    std::vector<std::pair<std::string, std::string>> expected;
};

class RecordInsertionTest : public testing::TestWithParam<InsertionCase> {};

TEST_P(RecordInsertionTest, KeepsOneRecordPerKeyInFirstPlace) {
    RecordMap map;
    for (const Step& step : GetParam().steps) {
        if (step.how == Insert::kNew) {
            map.insert_new(record(step.key, step.peptide));
        } else {
            map.insert_or_replace(record(step.key, step.peptide));
        }
    }
    EXPECT_EQ(contents(map), GetParam().expected);
    EXPECT_EQ(map.size(), GetParam().expected.size());
}

constexpr Insert kNew = Insert::kNew;
constexpr Insert kOrReplace = Insert::kOrReplace;

INSTANTIATE_TEST_SUITE_P(
    Sequences, RecordInsertionTest,
    testing::Values(
        InsertionCase{"LaterSameKeyReplacesInPlace",
                      {{kOrReplace, "a", "1"}, {kOrReplace, "b", "2"}, {kOrReplace, "a", "3"}},
                      {{"a", "3"}, {"b", "2"}}},
        InsertionCase{"IndexMadeLateSeesEarlierPlainInserts",
                      {{kNew, "a", "1"}, {kNew, "b", "2"}, {kOrReplace, "b", "3"}},
                      {{"a", "1"}, {"b", "3"}}},
        InsertionCase{"PlainInsertAfterIndexIsRegistered",
                      {{kOrReplace, "a", "1"}, {kNew, "b", "2"}, {kOrReplace, "b", "3"}},
                      {{"a", "1"}, {"b", "3"}}},
        InsertionCase{"KeysAreWholeByteStrings",
                      {{kOrReplace, "a", "1"},
                       {kOrReplace, "a\0b"s, "2"},
                       {kOrReplace, "ab", "3"},
                       {kOrReplace, "A", "4"},
                       {kOrReplace, "", "5"},
                       {kOrReplace, "a\0b"s, "6"},
                       {kOrReplace, "", "7"}},
                      {{"a", "1"}, {"a\0b"s, "6"}, {"ab", "3"}, {"A", "4"}, {"", "7"}}},
        InsertionCase{"NoRecords", {}, {}}),
    [](const testing::TestParamInfo<InsertionCase>& info) { return info.param.name; });

TEST(RecordMap, ReplacesAcrossGrowthOfRecordsAndIndex) {
    constexpr int kCount = 5000;
    RecordMap map;
    map.reserve(10);  // far too small: records and index must both grow
    for (int i = 0; i < kCount; ++i) {
        if (i % 2 == 0) {
            map.insert_or_replace(record("key" + std::to_string(i), "old"));
        } else {
            map.insert_new(record("key" + std::to_string(i), "old"));
        }
    }
    for (int i = kCount - 1; i >= 0; --i)
        map.insert_or_replace(record("key" + std::to_string(i), "new"));
    ASSERT_EQ(map.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(map.records()[static_cast<std::size_t>(i)].key, "key" + std::to_string(i));
        EXPECT_EQ(map.records()[static_cast<std::size_t>(i)].peptide.sequence, "new");
    }
}

TEST(RecordMap, MovedMapStillReplacesByKey) {
    RecordMap source;
    source.insert_or_replace(record("a", "1"));
    source.insert_or_replace(record("b", "2"));

    RecordMap moved(std::move(source));
    moved.insert_or_replace(record("a", "3"));
    EXPECT_EQ(contents(moved),
              (std::vector<std::pair<std::string, std::string>>{{"a", "3"}, {"b", "2"}}));

    RecordMap assigned;
    assigned.insert_or_replace(record("z", "9"));
    assigned = std::move(moved);
    assigned.insert_or_replace(record("b", "4"));
    assigned.insert_or_replace(record("z", "5"));
    EXPECT_EQ(contents(assigned), (std::vector<std::pair<std::string, std::string>>{
                                      {"a", "3"}, {"b", "4"}, {"z", "5"}}));

    // The emptied source is usable again and shares nothing with the moved records.
    source.insert_or_replace(record("a", "6"));  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(contents(source), (std::vector<std::pair<std::string, std::string>>{{"a", "6"}}));
}

}  // namespace
}  // namespace velbrin::codon
