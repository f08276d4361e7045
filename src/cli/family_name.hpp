#pragma once
// Family names become file names in the output folder: what makes a name usable.

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "family/family_run.hpp"

namespace velbrin::cli {

// Why `name` cannot name a family's output files, or empty when it can: it must be a
// non-empty single path component without control characters.
std::string_view family_name_problem(std::string_view name) noexcept;

// The first family (in list order) whose name an earlier one already has, as the pair
// (index of the earlier one, index of the repeat); sorts, so it costs n log n.
std::optional<std::pair<std::size_t, std::size_t>> first_repeated_name(
    std::span<const family::FamilyInputs> families);

}  // namespace velbrin::cli
