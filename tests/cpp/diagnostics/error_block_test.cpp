#include "diagnostics/error_block.hpp"

#include <gtest/gtest.h>

#include <string>

#include "text/unicode_text.hpp"

namespace velbrin::diagnostics {
namespace {

const std::string kRule(40, '=');

struct BlockCase {
    const char* name;
    std::string details;
    std::string expected_body;  // what stands between the middle and the closing rule
};

class FormatErrorBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(FormatErrorBlock, FramesDetailsBetweenRules) {
    const BlockCase& c = GetParam();
    const std::string expected =
        kRule + "\ntarnix ERROR: M\n" + kRule + "\n" + c.expected_body + kRule + "\n";
    const std::string block = format_error_block("M", c.details);
    EXPECT_EQ(block, expected);
    EXPECT_EQ(block.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(
    Details, FormatErrorBlock,
    testing::Values(BlockCase{"Empty", "", ""}, BlockCase{"OneLine", "D", "D\n"},
                    BlockCase{"TwoLinesOpen", "a\nb", "a\nb\n"},
                    BlockCase{"TwoLinesClosed", "a\nb\n", "a\nb\n"},
                    BlockCase{"TwoTrailingLineFeedsKeepABlankLine", "a\n\n", "a\n\n"},
                    BlockCase{"OnlyALineFeed", "\n", "\n"},
                    BlockCase{"EmbeddedNul", std::string("a\0b", 3), std::string("a\0b\n", 4)}),
    [](const testing::TestParamInfo<BlockCase>& info) { return info.param.name; });

TEST(FormatErrorBlockMessage, EmptyDetailsGiveExactlyFourLines) {
    EXPECT_EQ(format_error_block(kHeaderMismatch, ""),
              kRule + "\ntarnix ERROR: Header mismatch between peptide and nucleotide records.\n" +
                  kRule + "\n" + kRule + "\n");
}

TEST(FormatErrorBlockMessage, MessageIsNotExamined) {
    EXPECT_EQ(format_error_block("a\nb", "d"),
              kRule + "\ntarnix ERROR: a\nb\n" + kRule + "\nd\n" + kRule + "\n");
}

// ---- truncate_header ------------------------------------------------------------------

struct TruncateCase {
    const char* name;
    std::string header;
    std::string expected;
};

class TruncateHeader : public testing::TestWithParam<TruncateCase> {};

TEST_P(TruncateHeader, CapsAtOneHundredFiftyBytes) {
    const TruncateCase& c = GetParam();
    const std::string shortened = truncate_header(c.header);
    EXPECT_EQ(shortened, c.expected);
    EXPECT_LE(shortened.size(), 153U);
    EXPECT_TRUE(text::is_valid_utf8(shortened));
}

// A header of `ascii` ASCII bytes followed by `character` and padding up to 160 bytes.
std::string straddling(std::size_t ascii, const std::string& character) {
    std::string header(ascii, 'h');
    header += character;
    header.append(160 - header.size(), 't');
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TruncateHeader,
    testing::Values(
        TruncateCase{"Empty", "", ""},
        TruncateCase{"Exactly150", std::string(150, 'a'), std::string(150, 'a')},
        TruncateCase{"Bytes151", std::string(150, 'a') + "b", std::string(150, 'a') + "..."},
        TruncateCase{"Long", std::string(1000, 'a'), std::string(150, 'a') + "..."},
        TruncateCase{"MultiByteWithinLimit", std::string(148, 'h') + "\xC3\xA9",
                     std::string(148, 'h') + "\xC3\xA9"},
        TruncateCase{"TwoByteEndsAtLimit", straddling(148, "\xC3\xA9"),
                     std::string(148, 'h') + "\xC3\xA9..."},
        TruncateCase{"TwoByteCut", straddling(149, "\xC3\xA9"), std::string(149, 'h') + "..."},
        TruncateCase{"ThreeByteCutAfterFirst", straddling(149, "\xE2\x82\xAC"),
                     std::string(149, 'h') + "..."},
        TruncateCase{"ThreeByteCutAfterSecond", straddling(148, "\xE2\x82\xAC"),
                     std::string(148, 'h') + "..."},
        TruncateCase{"FourByteCutAfterThird", straddling(147, "\xF0\x9F\x98\x80"),
                     std::string(147, 'h') + "..."},
        TruncateCase{"FourByteStartsAtLimit", straddling(150, "\xF0\x9F\x98\x80"),
                     std::string(150, 'h') + "..."}),
    [](const testing::TestParamInfo<TruncateCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velbrin::diagnostics
