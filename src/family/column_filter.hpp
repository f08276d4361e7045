#pragma once
// Drops whole codon columns from a finished codon alignment.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genetic_code/stop_codons.hpp"

namespace velbrin::family {

struct ColumnDrops {
    const codon::StopCodons* stops = nullptr;  // drop columns where any row has a stop codon
    bool gaps = false;                         // drop columns where any row has "---"
};

// Drops the columns from `rows`: codon rows of `row_size` bytes each, one after another.
// The kept columns move forward in place, so the rows then stand one after another at
// the size returned.
std::size_t drop_columns(std::span<char> rows, std::size_t row_size, const ColumnDrops& drops);

}  // namespace velbrin::family
