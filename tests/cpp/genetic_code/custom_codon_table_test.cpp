#include "genetic_code/custom_codon_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velbrin::codon {
namespace {

using CodonList = CustomCodonTable::CodonList;
using Texts = std::vector<std::string_view>;

Texts texts(const CodonList* list) {
    return list == nullptr ? Texts{} : Texts(list->begin(), list->end());
}

class SymbolLookupTest : public testing::TestWithParam<char32_t> {};

TEST_P(SymbolLookupTest, FindsInsertedList) {
    CustomCodonTable table;
    table.insert_or_replace(GetParam(), {"TTA", "CTG"});
    const CodonList* found = table.find(GetParam());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(texts(found), (Texts{"TTA", "CTG"}));
}

TEST_P(SymbolLookupTest, NewListReplacesOld) {
    CustomCodonTable table;
    table.insert_or_replace(GetParam(), {"AAA"});
    table.insert_or_replace(GetParam(), {"GGG", "GGA"});
    ASSERT_NE(table.find(GetParam()), nullptr);
    EXPECT_EQ(texts(table.find(GetParam())), (Texts{"GGG", "GGA"}));
    EXPECT_EQ(table.size(), 1u);
}

TEST_P(SymbolLookupTest, AbsentSymbolFindsNothing) {
    CustomCodonTable table;
    EXPECT_EQ(table.find(GetParam()), nullptr);
    table.insert_or_replace(GetParam() == U'A' ? U'B' : U'A', {"ACG"});
    EXPECT_EQ(table.find(GetParam()), nullptr);
}

// ASCII goes through the direct index, the rest through the map; both edges of the split.
INSTANTIATE_TEST_SUITE_P(AsciiAndBeyond, SymbolLookupTest,
                         testing::Values(U'A', U'a', U'*', U'\0', U'\x7F', U'\x80', U'\xE9',
                                         U'\x20AC', U'\x1F600'));

TEST(CustomCodonTable, SymbolsDifferingInCaseAreDistinct) {
    CustomCodonTable table;
    table.insert_or_replace(U'L', {"CTG"});
    table.insert_or_replace(U'l', {"TTA"});
    EXPECT_EQ(texts(table.find(U'L')), Texts{"CTG"});
    EXPECT_EQ(texts(table.find(U'l')), Texts{"TTA"});
}

TEST(CustomCodonTable, ListsAreKeptAsGiven) {
    CustomCodonTable table;
    table.insert_or_replace(U'X', {});
    table.insert_or_replace(U'K', {"aaa", "AAA", "aaa", "", "AAAA"});
    ASSERT_NE(table.find(U'X'), nullptr);
    EXPECT_TRUE(table.find(U'X')->empty());
    EXPECT_EQ(texts(table.find(U'K')), (Texts{"aaa", "AAA", "aaa", "", "AAAA"}));
}

TEST(CustomCodonTable, EarlierListsSurviveLaterInsertions) {
    CustomCodonTable table;
    table.insert_or_replace(U'M', {"ATG"});
    for (char32_t symbol = 0; symbol < 2000; ++symbol) {
        if (symbol != U'M') table.insert_or_replace(symbol, {"NNN"});
    }
    ASSERT_NE(table.find(U'M'), nullptr);
    EXPECT_EQ(texts(table.find(U'M')), Texts{"ATG"});
    EXPECT_EQ(texts(table.find(U'\x7CF')), Texts{"NNN"});
}

TEST(CustomCodonTable, ListsLongerThanABlockKeepEveryView) {
    CustomCodonTable table;
    table.insert_or_replace(U'A', {"GCT"});
    const std::vector<std::string> long_list(1000, "GCC");
    table.insert_or_replace(U'L', long_list);
    table.insert_or_replace(U'\xE9', {"TTT", "TTC"});
    EXPECT_EQ(texts(table.find(U'A')), Texts{"GCT"});
    EXPECT_EQ(texts(table.find(U'L')), Texts(1000, "GCC"));
    EXPECT_EQ(texts(table.find(U'\xE9')), (Texts{"TTT", "TTC"}));
    const std::vector<CustomCodonTable::Entry> entries = table.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, U'A');
    EXPECT_EQ(entries[1].first, U'L');
    EXPECT_EQ(entries[2].first, U'\xE9');
}

TEST(CustomCodonTable, MoveCarriesEntriesAndEmptiesSource) {
    CustomCodonTable source;
    source.insert_or_replace(U'W', {"TGG"});
    source.insert_or_replace(U'\xE9', {"TGA"});

    CustomCodonTable moved(std::move(source));
    EXPECT_EQ(texts(moved.find(U'W')), Texts{"TGG"});
    EXPECT_EQ(texts(moved.find(U'\xE9')), Texts{"TGA"});
    EXPECT_EQ(source.find(U'W'), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(source.empty());

    CustomCodonTable assigned;
    assigned.insert_or_replace(U'Q', {"CAA"});
    assigned = std::move(moved);
    EXPECT_EQ(assigned.find(U'Q'), nullptr);
    EXPECT_EQ(texts(assigned.find(U'W')), Texts{"TGG"});
    EXPECT_EQ(moved.find(U'W'), nullptr);    // NOLINT(bugprone-use-after-move)
    moved.insert_or_replace(U'W', {"TGA"});  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(texts(moved.find(U'W')), Texts{"TGA"});
    EXPECT_EQ(texts(assigned.find(U'W')), Texts{"TGG"});
}

TEST(CustomCodonTable, BorrowedListsAreTheFillersOwn) {
    const std::vector<std::string_view> views{"AAA", "AAG", "TGG"};
    CustomCodonTable table;
    table.reserve(3);
    table.insert_or_replace_borrowed(U'K', CodonList(views.data(), 2));
    table.insert_or_replace_borrowed(U'\x1F600', CodonList(views.data() + 2, 1));
    table.insert_or_replace_borrowed(U'W', CodonList(views.data() + 2, 1));
    table.insert_or_replace_borrowed(U'K', CodonList(views.data() + 1, 1));
    ASSERT_NE(table.find(U'K'), nullptr);
    EXPECT_EQ(table.find(U'K')->data(), views.data() + 1);
    EXPECT_EQ(table.find(U'W')->data(), views.data() + 2);
    EXPECT_EQ(table.find(U'\x1F600')->data(), views.data() + 2);
    EXPECT_EQ(table.size(), 3u);
}

struct SymbolListCase {
    std::vector<char32_t> inserted;
    std::string expected;
};

class ValidSymbolListTest : public testing::TestWithParam<SymbolListCase> {};

TEST_P(ValidSymbolListTest, JoinsSymbolsInCodePointOrder) {
    CustomCodonTable table;
    for (char32_t symbol : GetParam().inserted) table.insert_or_replace(symbol, {"AAA"});
    EXPECT_EQ(table.valid_symbol_list(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Tables, ValidSymbolListTest,
                         testing::Values(SymbolListCase{{}, ""}, SymbolListCase{{U'A'}, "A"},
                                         SymbolListCase{{U'b', U'A', U'*'}, "*, A, b"},
                                         SymbolListCase{{U'A', U'A'}, "A"},
                                         SymbolListCase{{U'\xE9', U'Z'}, "Z, \xC3\xA9"},
                                         SymbolListCase{
                                             {U'\x1F600', U'\x20AC', U'\x7FF', U'\x80'},
                                             "\xC2\x80, \xDF\xBF, \xE2\x82\xAC, \xF0\x9F\x98\x80"},
                                         SymbolListCase{{U',', U' '}, " , ,"}));

}  // namespace
}  // namespace velbrin::codon
