#include "iupac/iupac_expansion.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_set>

#include "iupac/iupac_bases.hpp"

namespace velbrin::iupac {
namespace {

// By original byte: the byte a candidate must equal, and the bases it may be instead.
constexpr std::array<char, 256> kFolded = [] {
    std::array<char, 256> folded{};
    for (std::size_t byte = 0; byte < folded.size(); ++byte)
        folded[byte] = fold_nucleotide(char(byte));
    return folded;
}();

constexpr std::array<BaseSet, 256> kAdmittedBases = [] {
    std::array<BaseSet, 256> bases{};
    for (std::size_t byte = 0; byte < bases.size(); ++byte)
        bases[byte] = ambiguity_base_set(kFolded[byte]);
    return bases;
}();

// By candidate byte: the base it is, compared exactly.
constexpr std::array<BaseSet, 256> kCandidateBase = [] {
    std::array<BaseSet, 256> bases{};
    for (std::size_t byte = 0; byte < bases.size(); ++byte) bases[byte] = base_bit(char(byte));
    return bases;
}();

// A candidate byte is taken as it is: only an exact upper-case base resolves an
// ambiguity letter, and "U" or a lower-case letter in the candidate never matches a
// folded position.
constexpr bool is_form_of(char original, char candidate) noexcept {
    const auto from = std::uint8_t(original);
    return kFolded[from] == candidate ||
           (kAdmittedBases[from] & kCandidateBase[std::uint8_t(candidate)]) != 0;
}

static_assert(is_form_of('r', 'G') && is_form_of('r', 'R') && !is_form_of('r', 'r'));
static_assert(is_form_of('u', 'T') && !is_form_of('U', 'U') && !is_form_of('N', 'U'));
static_assert(!is_form_of('X', 'A') && is_form_of('\xE9', '\xE9'));

// Blocks are checked without an early exit inside, so the checks vectorise.
constexpr std::size_t kBlock = 256;

// Equal bytes are forms of each other unless folding changes the byte (a-z, "U"): the
// common case of a candidate spelled as the original, decided by byte arithmetic.
bool is_unfolded_copy(const char* original, const char* candidate, std::size_t count) noexcept {
    bool copy = true;
    for (std::size_t i = 0; i < count; ++i) {
        const auto byte = std::uint8_t(original[i]);
        copy &=
            (byte == std::uint8_t(candidate[i])) & (std::uint8_t(byte - 'a') >= 26) & (byte != 'U');
    }
    return copy;
}

bool are_forms(const char* original, const char* candidate, std::size_t count) noexcept {
    bool forms = true;
    for (std::size_t i = 0; i < count; ++i) forms &= is_form_of(original[i], candidate[i]);
    return forms;
}

}  // namespace

bool is_expansion_member(std::string_view original, std::string_view candidate) noexcept {
    if (original.size() != candidate.size()) return false;
    for (std::size_t start = 0; start < original.size(); start += kBlock) {
        const std::size_t count = std::min(kBlock, original.size() - start);
        const char* const from = original.data() + start;
        const char* const to = candidate.data() + start;
        if (!is_unfolded_copy(from, to, count) && !are_forms(from, to, count)) return false;
    }
    return true;
}

std::optional<std::size_t> first_expansion_member(std::string_view original,
                                                  std::span<const std::string_view> candidates) {
    // A candidate that views the same bytes as one already rejected is rejected again
    // without a comparison, so a long text repeated many times is compared once.
    std::unordered_set<const char*> rejected;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::string_view candidate = candidates[i];
        if (candidate.size() != original.size() || rejected.contains(candidate.data())) continue;
        if (is_expansion_member(original, candidate)) return i;
        rejected.insert(candidate.data());
    }
    return std::nullopt;
}

}  // namespace velbrin::iupac
