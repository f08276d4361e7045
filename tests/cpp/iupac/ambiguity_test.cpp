#include "iupac/ambiguity.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "genetic_code/genetic_code.hpp"
#include "iupac/iupac_bases.hpp"

namespace velbrin::iupac {
namespace {

using namespace std::string_view_literals;

static_assert(signature_admits('B', 'D') && signature_admits('B', 'N') &&
              !signature_admits('B', 'E'));
static_assert(signature_admits('*', '*') && !signature_admits('l', 'L') &&
              !signature_admits('X', 'L'));

struct TripletCase {
    std::int32_t table;
    char amino_acid;
    std::string_view codon;
    bool matches;
};

void PrintTo(const TripletCase& c, std::ostream* out) {
    *out << "table " << c.table << ' ' << c.amino_acid << " \"" << c.codon << '"';
}

class TripletSignatureTest : public testing::TestWithParam<TripletCase> {};

TEST_P(TripletSignatureTest, SomeResolutionTranslatesToAminoAcid) {
    const auto& [number, amino_acid, codon, matches] = GetParam();
    EXPECT_EQ(ambiguous_triplet_matches_signature(*codon::ncbi_table(number), amino_acid, codon),
              matches);
}

INSTANTIATE_TEST_SUITE_P(
    StandardCode, TripletSignatureTest,
    testing::Values(TripletCase{1, 'L', "YTR", true}, TripletCase{1, 'M', "ATR", true},
                    TripletCase{1, 'I', "ATR", true}, TripletCase{1, 'L', "ATR", false},
                    TripletCase{1, 'Z', "SAR", true}, TripletCase{1, 'B', "RAY", true},
                    TripletCase{1, 'H', "RAY", false}, TripletCase{1, '*', "TRA", true},
                    TripletCase{1, 'W', "TRA", false}, TripletCase{1, 'L', "ytr", true},
                    TripletCase{1, 'L', "YUR", true}, TripletCase{1, 'L', "XTG", false},
                    TripletCase{1, 'L', "YT", false}, TripletCase{1, 'L', "YTRN", false},
                    TripletCase{1, 'L', "", false}, TripletCase{1, 'M', "ATG", true},
                    TripletCase{1, 'K', "AAN", true}, TripletCase{1, 'G', "NNN", true},
                    TripletCase{1, 'X', "NNN", false}, TripletCase{1, 'L', "-TG", false},
                    TripletCase{1, 'L', "CT\0"sv, false}, TripletCase{1, 'A', "GC\xC3", false},
                    TripletCase{1, 'J', "MTH", true}, TripletCase{1, 'J', "MTB", true}));

INSTANTIATE_TEST_SUITE_P(
    OtherCodes, TripletSignatureTest,
    testing::Values(TripletCase{1, 'W', "TGR", true}, TripletCase{2, '*', "AGR", true},
                    TripletCase{1, '*', "AGR", false}, TripletCase{10, 'C', "TGM", true},
                    TripletCase{10, '*', "TGM", false}, TripletCase{3, 'T', "CTN", true},
                    TripletCase{3, 'L', "CTN", false}));

TEST(TripletSignature, LookupsStayWithinAShortTable) {
    // Only TTT and TTC (indexes 0 and 1) fall inside this two-letter table.
    EXPECT_TRUE(ambiguous_triplet_matches_signature("FF", 'F', "TTY"));
    EXPECT_FALSE(ambiguous_triplet_matches_signature("FF", 'F', "TTR"));
    EXPECT_FALSE(ambiguous_triplet_matches_signature("", 'F', "TTT"));
}

// Every resolution of `codon` spelled out as its codon index, as a cross-check of the
// bit sets; none when a byte resolves to nothing.
std::vector<std::size_t> reference_resolutions(std::string_view codon) {
    if (codon.size() != 3) return {};
    std::vector<std::string> choices;
    for (char byte : codon) {
        const char folded = fold_nucleotide(byte);
        if (std::string_view("ACGT").find(folded) != std::string_view::npos) {
            choices.emplace_back(1, folded);
        } else if (!ambiguity_bases(folded).empty()) {
            choices.emplace_back(ambiguity_bases(folded));
        } else {
            return {};
        }
    }
    std::vector<std::size_t> indices;
    for (char first : choices[0]) {
        for (char second : choices[1]) {
            for (char third : choices[2])
                indices.push_back(codon::codon_index(std::string{first, second, third}).value());
        }
    }
    return indices;
}

bool reference_matches(std::string_view table, char amino_acid, std::string_view codon) {
    for (const std::size_t index : reference_resolutions(codon)) {
        if (index < table.size() && signature_admits(amino_acid, table[index])) return true;
    }
    return false;
}

TEST(TripletSignature, AgreesWithSpelledOutResolutionsEverywhere) {
    constexpr std::string_view kBytes = "ACGTUauRYSWKMBDHVNrX-\xC3";
    constexpr std::string_view kAminoAcids = "FLIMVSTKRW*BJZX";
    const std::string_view table = *codon::ncbi_table(2);
    for (char a : kBytes) {
        for (char b : kBytes) {
            for (char c : kBytes) {
                const std::string codon{a, b, c};
                for (char amino_acid : kAminoAcids) {
                    ASSERT_EQ(ambiguous_triplet_matches_signature(table, amino_acid, codon),
                              reference_matches(table, amino_acid, codon))
                        << amino_acid << " \"" << codon << '"';
                }
            }
        }
    }
}

TEST(ResolutionMask, AgreesWithSpelledOutResolutionsEverywhere) {
    constexpr std::string_view kBytes = "ACGTUauRYSWKMBDHVNnrX-*\xC3";
    for (char a : kBytes) {
        for (char b : kBytes) {
            for (char c : kBytes) {
                const std::string codon{a, b, c};
                std::uint64_t expected = 0;
                for (const std::size_t index : reference_resolutions(codon))
                    expected |= std::uint64_t{1} << index;
                ASSERT_EQ(resolution_mask(codon), expected) << '"' << codon << '"';
            }
        }
    }
    EXPECT_EQ(resolution_mask("AC"), 0u);
    EXPECT_EQ(resolution_mask("ACGT"), 0u);
}

struct AllowedCase {
    std::string_view codon;
    std::vector<std::string_view> allowed;
    bool matches;
};

void PrintTo(const AllowedCase& c, std::ostream* out) {
    *out << '"' << c.codon << "\" against " << testing::PrintToString(c.allowed);
}

class HasIupacMatchTest : public testing::TestWithParam<AllowedCase> {};

TEST_P(HasIupacMatchTest, CodonCoversSomeEntry) {
    EXPECT_EQ(has_iupac_match(GetParam().codon, GetParam().allowed), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Resolution, HasIupacMatchTest,
    testing::Values(AllowedCase{"RAT", {"CAT", "GAT"}, true}, AllowedCase{"RAT", {"CAT"}, false},
                    AllowedCase{"ACG", {"ACG"}, true}, AllowedCase{"NNN", {"tca"}, true},
                    AllowedCase{"BAT", {"AAT"}, false}, AllowedCase{"VAT", {"TAT"}, false},
                    AllowedCase{"VAT", {"TAT", "CAT"}, true}));

INSTANTIATE_TEST_SUITE_P(
    CaseAndUracil, HasIupacMatchTest,
    testing::Values(AllowedCase{"rat", {"gat"}, true}, AllowedCase{"AUG", {"ATG"}, true},
                    AllowedCase{"ATG", {"AUG"}, true}, AllowedCase{"AUG", {"aug"}, true},
                    AllowedCase{"ACY", {"ACU"}, true}, AllowedCase{"ACR", {"ACU"}, false},
                    AllowedCase{"ACG", {"ACU"}, false}, AllowedCase{"ACn", {"ACu"}, true}));

INSTANTIATE_TEST_SUITE_P(OneDirectional, HasIupacMatchTest,
                         testing::Values(AllowedCase{"ACN", {"ACN"}, false},
                                         AllowedCase{"ACX", {"ACX"}, false},
                                         AllowedCase{"ACG", {"ACN"}, false},
                                         AllowedCase{"AC-", {"AC-"}, false},
                                         AllowedCase{"AC\xC3", {"AC\xC3"}, false}));

INSTANTIATE_TEST_SUITE_P(Lengths, HasIupacMatchTest,
                         testing::Values(AllowedCase{"NNN", {"ACGT", "AC"}, false},
                                         AllowedCase{"ACG", {}, false},
                                         AllowedCase{"ACGT", {"ACGT", "ACG"}, false},
                                         AllowedCase{"AC", {"AC"}, false},
                                         AllowedCase{"", {""}, false},
                                         AllowedCase{"RAT", {"", "GATC", "GA", "GAT"}, true},
                                         AllowedCase{"NNN", {"\xE2\x82\xAC"}, false}));

}  // namespace
}  // namespace velbrin::iupac
