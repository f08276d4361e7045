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

// `rows` (codon rows of equal length) without the dropped columns.  The result views
// `rows` when nothing is dropped, else `storage`.
std::vector<std::string_view> drop_columns(std::span<const std::string_view> rows,
                                           const ColumnDrops& drops, std::string& storage);

}  // namespace velbrin::family
