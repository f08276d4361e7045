#include "iupac/iupac_expansion.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velbrin::iupac {
namespace {

using namespace std::string_view_literals;

// The expansion as first defined: a depth-first walk that writes every form into a set.
// Exponential in the length; kept here only to check the position-wise membership test.
struct ReferenceLetter {
    char letter;
    std::string_view bases;
};
constexpr ReferenceLetter kReferenceLetters[] = {
    {'R', "AG"},  {'Y', "CT"},  {'S', "GC"},  {'W', "AT"},  {'K', "GT"},   {'M', "AC"},
    {'B', "CGT"}, {'D', "AGT"}, {'H', "ACT"}, {'V', "ACG"}, {'N', "ACGT"},
};

void recurse(std::string_view triplet, std::string& work, std::size_t depth,
             std::set<std::string>& found) {
    if (depth == triplet.size()) {
        found.insert(work);
        return;
    }
    char c = triplet[depth];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    work[depth] = c == 'U' ? 'T' : c;
    recurse(triplet, work, depth + 1, found);
    for (const ReferenceLetter& entry : kReferenceLetters) {
        if (entry.letter != c) continue;
        for (char base : entry.bases) {
            work[depth] = base;
            recurse(triplet, work, depth + 1, found);
        }
    }
}

std::set<std::string> reference_expansion(std::string_view text) {
    std::set<std::string> found;
    std::string work(text.size(), '\0');
    recurse(text, work, 0, found);
    return found;
}

// All texts of `length` bytes over `alphabet`.
std::vector<std::string> all_texts(std::string_view alphabet, std::size_t length) {
    std::vector<std::string> texts{""};
    for (std::size_t position = 0; position < length; ++position) {
        std::vector<std::string> longer;
        longer.reserve(texts.size() * alphabet.size());
        for (const std::string& text : texts) {
            for (char byte : alphabet) longer.push_back(text + byte);
        }
        texts = std::move(longer);
    }
    return texts;
}

TEST(ExpansionMembership, AgreesWithReferenceExpansionOnAllShortTexts) {
    // Bases in both cases, "U" in both cases, an ambiguity letter in both cases, a
    // non-ambiguity letter, a gap and a lone non-ASCII byte.  Texts of other lengths
    // never match; that is covered by the cases further down.
    constexpr std::string_view kAlphabet = "ACGTaUuNnX-\xC3";
    for (std::size_t length = 0; length <= 3; ++length) {
        const std::vector<std::string> texts = all_texts(kAlphabet, length);
        for (const std::string& original : texts) {
            const std::set<std::string> expansion = reference_expansion(original);
            for (const std::string& candidate : texts) {
                ASSERT_EQ(is_expansion_member(original, candidate), expansion.contains(candidate))
                    << '"' << original << "\" / \"" << candidate << '"';
            }
            for (const std::string& member : expansion) {
                ASSERT_TRUE(is_expansion_member(original, member))
                    << '"' << original << "\" / \"" << member << '"';
            }
        }
    }
}

TEST(ExpansionMembership, ReferenceSizesAreTheExpectedProducts) {
    EXPECT_EQ(reference_expansion("ACG").size(), 1u);
    EXPECT_EQ(reference_expansion("RAT"), (std::set<std::string>{"RAT", "AAT", "GAT"}));
    EXPECT_EQ(reference_expansion("NNN").size(), 125u);
}

TEST(ExpansionMembership, LongTextsAreDecidedPositionByPosition) {
    const std::string ambiguous(1'000'000, 'n');
    std::string resolved(ambiguous.size(), 'A');
    EXPECT_TRUE(is_expansion_member(ambiguous, resolved));
    resolved.back() = 'X';
    EXPECT_FALSE(is_expansion_member(ambiguous, resolved));
    EXPECT_FALSE(is_expansion_member(ambiguous, std::string_view(resolved).substr(1)));
}

struct FirstMemberCase {
    std::string_view original;
    std::vector<std::string_view> candidates;
    std::optional<std::size_t> first;
};

void PrintTo(const FirstMemberCase& c, std::ostream* out) {
    *out << '"' << c.original << "\" in " << testing::PrintToString(c.candidates);
}

class FirstExpansionMemberTest : public testing::TestWithParam<FirstMemberCase> {};

TEST_P(FirstExpansionMemberTest, FindsFirstForm) {
    EXPECT_EQ(first_expansion_member(GetParam().original, GetParam().candidates), GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, FirstExpansionMemberTest,
    testing::Values(FirstMemberCase{"RAT", {"CCC", "GAT"}, 1},
                    FirstMemberCase{"RAT", {"CCC"}, std::nullopt},
                    FirstMemberCase{"rat", {"GAT"}, 0}, FirstMemberCase{"RAT", {"RAT"}, 0},
                    FirstMemberCase{"RAT", {"gat"}, std::nullopt},
                    FirstMemberCase{"AUG", {"ATG"}, 0},
                    FirstMemberCase{"AUG", {"AUG"}, std::nullopt},
                    FirstMemberCase{"XAT", {"AAT"}, std::nullopt},
                    FirstMemberCase{"ACGT", {"ACGT"}, 0}, FirstMemberCase{"", {""}, 0},
                    FirstMemberCase{"", {}, std::nullopt}, FirstMemberCase{"NNN", {"ANN"}, 0},
                    FirstMemberCase{"NNN", {"NN", "NNNN", "AcG", "ACG", "TTT"}, 3},
                    FirstMemberCase{"AT\0"sv, {"AT", "AT\0"sv}, 1},
                    FirstMemberCase{"RYN", {"GC", "GCAT", "RY", "RYNN", "GCA"}, 4},
                    FirstMemberCase{"\xC3\xA9", {"\xC3", "\xC3\xA9"}, 1}));

}  // namespace
}  // namespace velbrin::iupac

namespace velbrin::iupac {
namespace {

std::string with_byte(std::string text, std::size_t at, char byte) {
    text[at] = byte;
    return text;
}

// Long texts are checked in blocks, most of them by plain byte equality.
TEST(ExpansionMembership, EveryBlockOfALongTextCounts) {
    const std::string plain = [] {
        std::string text;
        for (int i = 0; i < 300; ++i) text += "ACGT";
        return text;
    }();
    EXPECT_TRUE(is_expansion_member(plain, plain));
    EXPECT_TRUE(is_expansion_member(with_byte(plain, 703, 'u'), plain));
    EXPECT_TRUE(is_expansion_member(with_byte(plain, 1199, 'K'), plain));
    EXPECT_FALSE(is_expansion_member(plain, with_byte(plain, 1199, 'C')));
    EXPECT_FALSE(is_expansion_member(with_byte(plain, 513, 'U'), with_byte(plain, 513, 'U')));
    EXPECT_FALSE(is_expansion_member(with_byte(plain, 256, 'a'), with_byte(plain, 256, 'a')));
}

TEST(FirstExpansionMember, RepeatedViewsAreComparedOnceAndKeepTheirIndex) {
    const std::string rejected = "CCC";
    const std::string member = "GAT";
    const std::vector<std::string_view> candidates{rejected, rejected, "CC",
                                                   rejected, member,   member};
    EXPECT_EQ(first_expansion_member("RAT", candidates), 4u);
    EXPECT_EQ(first_expansion_member("RAT", std::span(candidates).first(4)), std::nullopt);
}

}  // namespace
}  // namespace velbrin::iupac
