#pragma once
// A borrowed view of the genetic code in force for a report.

#include <string_view>
#include <variant>

#include "genetic_code/custom_codon_table.hpp"

namespace velbrin::codon {

struct NoGeneticCode {};
struct NcbiCode {
    std::string_view table;  // a 64-letter table string
};
struct CustomCode {
    const CustomCodonTable* table;
};

using GeneticCodeRef = std::variant<NoGeneticCode, NcbiCode, CustomCode>;

}  // namespace velbrin::codon
