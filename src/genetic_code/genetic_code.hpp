#pragma once
// The NCBI genetic codes known by number, and the rule that turns a triplet into a
// position in such a code.  A code is a 64-letter string: letter k is the amino acid
// (or "*" for a stop) of the codon with index k, codons ordered T, C, A, G.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velbrin::codon {

inline constexpr std::size_t kCodonCount = 64;
inline constexpr std::size_t kNcbiTableCount = 27;
inline constexpr std::int32_t kHighestTableNumber = 33;

// An NCBI genetic code: its number and its 64-letter table string.
struct NcbiTable {
    std::int32_t number;
    std::string_view amino_acids;  // 64 letters
};

namespace detail {

// Codon digit of a byte: T/U = 0, C = 1, A = 2, G = 3 in either case; -1 otherwise.
inline constexpr std::array<std::int8_t, 256> kNucleotideDigit = [] {
    std::array<std::int8_t, 256> digits{};
    digits.fill(-1);
    constexpr std::string_view kOrder = "TCAG";
    for (std::size_t d = 0; d < kOrder.size(); ++d) {
        const auto upper = static_cast<unsigned char>(kOrder[d]);
        digits[upper] = static_cast<std::int8_t>(d);
        digits[upper + ('a' - 'A')] = static_cast<std::int8_t>(d);
    }
    digits['U'] = digits['u'] = 0;
    return digits;
}();

constexpr int nucleotide_digit(char byte) noexcept {
    return kNucleotideDigit[static_cast<unsigned char>(byte)];
}

}  // namespace detail

// Index 0..63 of a three-byte codon (a-z upper-cased, "U" as "T"); none for any other
// length or for a byte outside A, C, G, T, U.
// (constexpr, defined in this header: it sits on the hot path of every codon)
constexpr std::optional<std::size_t> codon_index(std::string_view codon) noexcept {
    if (codon.size() != 3) return std::nullopt;
    const int first = detail::nucleotide_digit(codon[0]);
    const int second = detail::nucleotide_digit(codon[1]);
    const int third = detail::nucleotide_digit(codon[2]);
    if ((first | second | third) < 0) return std::nullopt;
    return static_cast<std::size_t>(16 * first + 4 * second + third);
}

namespace detail {

inline constexpr std::string_view kStandardCode =
    "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG";

struct CodonChange {
    std::string_view codon;
    char amino_acid;
};

// A table as the standard code with a few codons reassigned.
struct TableRecipe {
    std::int32_t number;
    std::array<CodonChange, 6> changes;  // unused slots have an empty codon
};

inline constexpr std::array<TableRecipe, kNcbiTableCount> kTableRecipes{{
    {1, {}},
    {2, {{{"TGA", 'W'}, {"ATA", 'M'}, {"AGA", '*'}, {"AGG", '*'}}}},
    {3, {{{"TGA", 'W'}, {"CTT", 'T'}, {"CTC", 'T'}, {"CTA", 'T'}, {"CTG", 'T'}, {"ATA", 'M'}}}},
    {4, {{{"TGA", 'W'}}}},
    {5, {{{"TGA", 'W'}, {"ATA", 'M'}, {"AGA", 'S'}, {"AGG", 'S'}}}},
    {6, {{{"TAA", 'Q'}, {"TAG", 'Q'}}}},
    {9, {{{"TGA", 'W'}, {"AAA", 'N'}, {"AGA", 'S'}, {"AGG", 'S'}}}},
    {10, {{{"TGA", 'C'}}}},
    {11, {}},
    {12, {{{"CTG", 'S'}}}},
    {13, {{{"TGA", 'W'}, {"ATA", 'M'}, {"AGA", 'G'}, {"AGG", 'G'}}}},
    {14, {{{"TAA", 'Y'}, {"TGA", 'W'}, {"AAA", 'N'}, {"AGA", 'S'}, {"AGG", 'S'}}}},
    {15, {{{"TAG", 'Q'}}}},
    {16, {{{"TAG", 'L'}}}},
    {21, {{{"TGA", 'W'}, {"ATA", 'M'}, {"AAA", 'N'}, {"AGA", 'S'}, {"AGG", 'S'}}}},
    {22, {{{"TCA", '*'}, {"TAG", 'L'}}}},
    {23, {{{"TTA", '*'}}}},
    {24, {{{"TGA", 'W'}, {"AGA", 'S'}, {"AGG", 'K'}}}},
    {25, {{{"TGA", 'G'}}}},
    {26, {{{"CTG", 'A'}}}},
    {27, {{{"TAA", 'Q'}, {"TAG", 'Q'}, {"TGA", 'W'}}}},
    {28, {{{"TAA", 'Q'}, {"TAG", 'Q'}, {"TGA", 'W'}}}},
    {29, {{{"TAA", 'Y'}, {"TAG", 'Y'}}}},
    {30, {{{"TAA", 'E'}, {"TAG", 'E'}}}},
    {31, {{{"TAA", 'E'}, {"TAG", 'E'}, {"TGA", 'W'}}}},
    {32, {{{"TAG", 'W'}}}},
    {33, {{{"TAA", 'Y'}, {"TGA", 'W'}, {"AGA", 'S'}, {"AGG", 'K'}}}},
}};

using TableLetters = std::array<char, kCodonCount>;

// A misspelt codon in a recipe makes `.value()` fail, which stops the build.
constexpr TableLetters apply_recipe(const TableRecipe& recipe) {
    TableLetters letters{};
    for (std::size_t i = 0; i < kCodonCount; ++i) letters[i] = kStandardCode[i];
    for (const CodonChange& change : recipe.changes) {
        if (change.codon.empty()) continue;
        letters[codon_index(change.codon).value()] = change.amino_acid;
    }
    return letters;
}

inline constexpr std::array<TableLetters, kNcbiTableCount> kTableLetters = [] {
    std::array<TableLetters, kNcbiTableCount> tables{};
    for (std::size_t t = 0; t < kNcbiTableCount; ++t) tables[t] = apply_recipe(kTableRecipes[t]);
    return tables;
}();

}  // namespace detail

// The 27 supported tables, in the order of the error message.
inline constexpr std::array<NcbiTable, kNcbiTableCount> NCBI_TABLES = [] {
    std::array<NcbiTable, kNcbiTableCount> tables{};
    for (std::size_t t = 0; t < kNcbiTableCount; ++t) {
        tables[t] = {detail::kTableRecipes[t].number,
                     std::string_view(detail::kTableLetters[t].data(), kCodonCount)};
    }
    return tables;
}();

// The table string of NCBI table `table_num`, or none when the number is not supported.
std::optional<std::string_view> ncbi_table(std::int32_t table_num) noexcept;

// "1, 2, 3, ..., 33": the supported numbers in list order.
std::string supported_table_list();

}  // namespace velbrin::codon
