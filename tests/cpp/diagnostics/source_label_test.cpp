#include "diagnostics/source_label.hpp"

#include <gtest/gtest.h>

#include <string>

namespace velbrin::diagnostics {
namespace {

struct LabelCase {
    const char* name;
    std::string path;
    std::string default_label;
    std::string expected;
};

class SourceLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(SourceLabel, NamesTheInput) {
    const LabelCase& c = GetParam();
    EXPECT_EQ(source_label_from_path(c.path, c.default_label), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SourceLabel,
    testing::Values(
        LabelCase{"Empty", "", "aa.fa", "aa.fa"},
        LabelCase{"OnlyWhiteSpace", " \t\n\r\xC2\xA0\xE3\x80\x80", "nt.fa", "nt.fa"},
        LabelCase{"PlainFile", "/data/run1/gene42.fa", "aa.fa", "gene42.fa"},
        LabelCase{"TrimmedUpperCaseSuffix", "  /data/run1/Gene42.FA\n", "aa.fa", "Gene42.FA"},
        LabelCase{"NoSuffix", "gene42", "aa.fa", "gene42.fa"},
        LabelCase{"FastaGainsSuffix", "/data/run1/gene42.fasta", "aa.fa", "gene42.fasta.fa"},
        LabelCase{"TrailingSlash", "/data/run1/", "aa.fa", "run1.fa"},
        LabelCase{"DotPieces", "run1/./gene42.fa/.", "aa.fa", "gene42.fa"},
        LabelCase{"OnlySlash", "/", "aa.fa", "/.fa"},
        LabelCase{"ParentAlone", "..", "aa.fa", "...fa"},
        LabelCase{"ParentLast", "data/..", "aa.fa", "data/...fa"},
        LabelCase{"SlashesAndDots", "/./", "aa.fa", "/./.fa"},
        LabelCase{"RepeatedSlashes", "a//b//", "aa.fa", "b.fa"},
        LabelCase{"MixedCaseSuffix", "x.fA", "aa.fa", "x.fA"},
        LabelCase{"SuffixAlone", ".fa", "aa.fa", ".fa"},
        LabelCase{"ShorterThanSuffix", "fa", "aa.fa", "fa.fa"},
        LabelCase{"NoBreakSpaceTrimmed", "\xC2\xA0/d/g.fa\xE2\x80\xAF", "aa.fa", "g.fa"},
        LabelCase{"InnerWhiteSpaceKept", " my gene ", "aa.fa", "my gene.fa"},
        LabelCase{"NonAsciiName", "/d/g\xC3\xA8ne", "aa.fa", "g\xC3\xA8ne.fa"}),
    [](const testing::TestParamInfo<LabelCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velbrin::diagnostics
