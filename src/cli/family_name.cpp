#include "cli/family_name.hpp"

#include <algorithm>
#include <numeric>
#include <vector>

namespace velbrin::cli {

namespace {

// Control characters would break the status table's rows and the terminal's display.
bool is_control(char c) noexcept {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

}  // namespace

std::string_view family_name_problem(std::string_view name) noexcept {
    if (name.empty()) return "the family name is empty";
    if (name == "." || name == "..") return "the family name is not a file name";
    if (name.find('/') != std::string_view::npos) return "the family name contains '/'";
    if (std::ranges::any_of(name, is_control))
        return "the family name contains a control character";
    return {};
}

std::optional<std::pair<std::size_t, std::size_t>> first_repeated_name(
    std::span<const family::FamilyInputs> families) {
    std::vector<std::size_t> by_name(families.size());
    std::iota(by_name.begin(), by_name.end(), std::size_t{0});
    std::ranges::stable_sort(by_name, {},
                             [&](std::size_t i) -> const std::string& { return families[i].name; });
    std::optional<std::pair<std::size_t, std::size_t>> first;
    for (std::size_t k = 1; k < by_name.size(); ++k) {
        const auto earlier = by_name[k - 1], later = by_name[k];
        if (families[earlier].name != families[later].name) continue;
        if (!first || later < first->second) first = {earlier, later};
    }
    return first;
}

}  // namespace velbrin::cli
