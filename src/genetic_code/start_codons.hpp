#pragma once
// The codons a genetic code lets a coding sequence start with.  A start codon is read
// as methionine in a protein's first position whatever the code reads it as elsewhere.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {

// A set of codons of plain bases, by codon index.
class StartCodons {
public:
    constexpr StartCodons() noexcept = default;

    // The codons a 64-letter start row marks with "M" (the layout of the code tables).
    static constexpr StartCodons of_start_row(std::string_view row) noexcept {
        StartCodons starts;
        for (std::size_t index = 0; index < row.size() && index < kCodonCount; ++index) {
            if (row[index] == 'M') starts.bits_ |= std::uint64_t{1} << index;
        }
        return starts;
    }

    // Adds a codon of plain bases (any case, "U" as "T"); false for any other text.
    constexpr bool insert(std::string_view codon) noexcept {
        const auto index = codon_index(codon);
        if (!index) return false;
        bits_ |= std::uint64_t{1} << *index;
        return true;
    }

    // A codon of plain bases in the set; codons with ambiguity letters never are.
    constexpr bool contains(std::string_view codon) const noexcept {
        const auto index = codon_index(codon);
        return index && ((bits_ >> *index) & 1) != 0;
    }

    constexpr bool empty() const noexcept { return bits_ == 0; }
    constexpr std::uint64_t bits() const noexcept { return bits_; }

private:
    std::uint64_t bits_ = 0;  // bit k: the codon with index k
};

namespace detail {

struct StartRow {
    std::int32_t number;
    std::string_view row;  // 64 letters: "M" for a start codon, "*" for a stop, "-" otherwise
};

// NCBI's start rows, in the order of NCBI_TABLES.
inline constexpr std::array<StartRow, kNcbiTableCount> kStartRows{{
    {1, "---M------**--*----M---------------M----------------------------"},
    {2, "----------**--------------------MMMM----------**---M------------"},
    {3, "----------**----------------------MM----------------------------"},
    {4, "--MM------**-------M------------MMMM---------------M------------"},
    {5, "---M------**--------------------MMMM---------------M------------"},
    {6, "--------------*--------------------M----------------------------"},
    {9, "----------**-----------------------M---------------M------------"},
    {10, "----------**-----------------------M----------------------------"},
    {11, "---M------**--*----M------------MMMM---------------M------------"},
    {12, "----------**--*----M---------------M----------------------------"},
    {13, "---M------**----------------------MM---------------M------------"},
    {14, "-----------*-----------------------M----------------------------"},
    {15, "----------*---*--------------------M----------------------------"},
    {16, "----------*---*--------------------M----------------------------"},
    {21, "----------**-----------------------M---------------M------------"},
    {22, "------*---*---*--------------------M----------------------------"},
    {23, "--*-------**--*-----------------M--M---------------M------------"},
    {24, "---M------**-------M---------------M---------------M------------"},
    {25, "---M------**-----------------------M---------------M------------"},
    {26, "----------**--*----M---------------M----------------------------"},
    {27, "--------------*--------------------M----------------------------"},
    {28, "----------**--*--------------------M----------------------------"},
    {29, "--------------*--------------------M----------------------------"},
    {30, "--------------*--------------------M----------------------------"},
    {31, "----------**-----------------------M----------------------------"},
    {32, "---M------*---*----M------------MMMM---------------M------------"},
    {33, "---M-------*-------M---------------M---------------M------------"},
}};

}  // namespace detail

// The start codons of NCBI table `table_num`, or none when the number is not supported.
std::optional<StartCodons> ncbi_start_codons(std::int32_t table_num) noexcept;

}  // namespace velbrin::codon
