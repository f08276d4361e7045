#pragma once
// The stop codons of the genetic code in force.

#include <cstdint>
#include <string_view>

#include "genetic_code/custom_codon_table.hpp"

namespace velbrin::codon {

class StopCodons {
public:
    // The codons a 64-letter NCBI table string reads as "*".
    static StopCodons of_ncbi_table(std::string_view table) noexcept;
    // The plain-base codons listed under "*" (any case, "U" as "T").
    static StopCodons of_custom_table(const codon::CustomCodonTable& table) noexcept;

    // A codon of plain bases (any case, "U" as "T") that the code reads as a stop;
    // codons with ambiguity letters are not.
    bool is_stop(std::string_view codon) const noexcept;

private:
    std::uint64_t by_index_ = 0;  // bit k: codon index k is a stop
};

}  // namespace velbrin::codon
