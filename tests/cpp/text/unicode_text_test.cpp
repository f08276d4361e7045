#include "text/unicode_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace velbrin::text {
namespace {

// Every character of the White_Space property.
constexpr char32_t kWhiteSpace[] = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,
                                    0xA0,   0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                    0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028,
                                    0x2029, 0x202F, 0x205F, 0x3000};

class TrimWhiteSpace : public testing::TestWithParam<char32_t> {};

TEST_P(TrimWhiteSpace, StripsTheCharacterFromBothEnds) {
    const std::string space(encode_utf8(GetParam()).view());
    const std::string text = space + space + "a" + space + "b" + space;
    EXPECT_EQ(trim_unicode_whitespace(text), "a" + space + "b");
    EXPECT_EQ(trim_unicode_whitespace(space + space), "");
}

INSTANTIATE_TEST_SUITE_P(WhiteSpaceProperty, TrimWhiteSpace, testing::ValuesIn(kWhiteSpace));

struct TrimCase {
    const char* name;
    std::string text;
    std::string expected;
};

class TrimKeeps : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimKeeps, StopsAtTheFirstOtherCharacter) {
    EXPECT_EQ(trim_unicode_whitespace(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    NotWhiteSpace, TrimKeeps,
    testing::Values(TrimCase{"Empty", "", ""},
                    TrimCase{"ZeroWidthSpace",
                             "\xE2\x80\x8B"
                             "a\xE2\x80\x8B",
                             "\xE2\x80\x8B"
                             "a\xE2\x80\x8B"},
                    TrimCase{"ByteOrderMark",
                             "\xEF\xBB\xBF"
                             "a",
                             "\xEF\xBB\xBF"
                             "a"},
                    TrimCase{"MongolianVowelSeparator",
                             "\xE1\xA0\x8E"
                             "a",
                             "\xE1\xA0\x8E"
                             "a"},
                    TrimCase{"LoneLeadByte", " \xC2", "\xC2"},
                    TrimCase{"LoneContinuation", "\xA0 ", "\xA0"},
                    TrimCase{"OverlongSpace",
                             "\xC0\xA0"
                             "a\xC0\xA0",
                             "\xC0\xA0"
                             "a\xC0\xA0"},
                    TrimCase{"CutIdeographicSpace", "\x80\x80 a \xE3\x80", "\x80\x80 a \xE3\x80"},
                    TrimCase{"SpaceAfterInvalidByte", "a\xFF\xE3\x80\x80", "a\xFF"},
                    // Printable ASCII at both ends, white space only inside or at one end.
                    TrimCase{"PrintableEnds", "!\t\xC2\xA0~", "!\t\xC2\xA0~"},
                    TrimCase{"DeleteAtTheEnd", "a\x7F", "a\x7F"},
                    TrimCase{"SpaceOnlyAtTheEnd", "a\xE3\x80\x80", "a"},
                    TrimCase{"LoneNextLineByteAtTheStart", "\x85z", "\x85z"},
                    TrimCase{"NextLineAtTheStart", "\xC2\x85z", "z"}),
    [](const testing::TestParamInfo<TrimCase>& info) { return info.param.name; });

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
};

class Utf8Validity : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, IsStrict) { EXPECT_EQ(is_valid_utf8(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    testing::Values(
        Utf8Case{"Empty", "", true}, Utf8Case{"Ascii", "ACGT", true},
        Utf8Case{"Nul", std::string("a\0b", 3), true}, Utf8Case{"TwoByte", "\xC3\xA9", true},
        Utf8Case{"ThreeByte", "\xE2\x82\xAC", true}, Utf8Case{"FourByte", "\xF0\x9F\x98\x80", true},
        Utf8Case{"Highest", "\xF4\x8F\xBF\xBF", true},
        Utf8Case{"LastBeforeSurrogates", "\xED\x9F\xBF", true},
        Utf8Case{"FirstAfterSurrogates", "\xEE\x80\x80", true},
        Utf8Case{"AboveHighest", "\xF4\x90\x80\x80", false},
        Utf8Case{"LeadF5", "\xF5\x80\x80\x80", false}, Utf8Case{"Surrogate", "\xED\xA0\x80", false},
        Utf8Case{"OverlongTwoByte", "\xC1\xBF", false},
        Utf8Case{"OverlongThreeByte", "\xE0\x9F\xBF", false},
        Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF", false},
        Utf8Case{"LoneContinuation", "a\x80", false}, Utf8Case{"Truncated", "\xE2\x82", false},
        Utf8Case{"MissingContinuation",
                 "\xE2\x82"
                 "A",
                 false},
        Utf8Case{"ByteFF", "\xFF", false}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return info.param.name; });

}  // namespace
}  // namespace velbrin::text
