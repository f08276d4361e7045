#include "iupac/iupac_expansion.hpp"

#include "iupac/iupac_bases.hpp"

namespace velbrin::iupac {
namespace {

// A candidate byte is taken as it is: only an exact upper-case base resolves an
// ambiguity letter, and "U" or a lower-case letter in the candidate never matches a
// folded position.
constexpr bool is_form_of(char original, char candidate) noexcept {
    const char folded = fold_nucleotide(original);
    return candidate == folded || (ambiguity_base_set(folded) & base_bit(candidate)) != 0;
}

static_assert(is_form_of('r', 'G') && is_form_of('r', 'R') && !is_form_of('r', 'r'));
static_assert(is_form_of('u', 'T') && !is_form_of('U', 'U') && !is_form_of('N', 'U'));
static_assert(!is_form_of('X', 'A') && is_form_of('\xE9', '\xE9'));

}  // namespace

bool is_expansion_member(std::string_view original, std::string_view candidate) noexcept {
    if (original.size() != candidate.size()) return false;
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (!is_form_of(original[i], candidate[i])) return false;
    }
    return true;
}

std::optional<std::size_t> first_expansion_member(std::string_view original,
                                                  std::span<const std::string_view> candidates) noexcept {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (is_expansion_member(original, candidates[i])) return i;
    }
    return std::nullopt;
}

}  // namespace velbrin::iupac
