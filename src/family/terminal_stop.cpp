#include "family/terminal_stop.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "codon/amino_acid_translator.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::family {
namespace {

// The normalised nucleotides and what the length check compares.
struct Normalised {
    codon::CodingLengths lengths;
    std::string_view bases;
};

Normalised normalised(std::string_view peptide, std::string_view nucleotides,
                      NormaliseScratch& scratch) {
    const std::string_view residues = codon::normalise_peptide(peptide, scratch.peptide);
    const std::string_view bases = codon::normalise_nucleotides(nucleotides, scratch.nucleotides);
    return {codon::coding_lengths(residues, bases), bases};
}

bool is_gap_sign(char c) noexcept { return c == '-' || c == '.'; }

// The last codon as normalising gives it (gap signs and the white space around the
// sequence dropped, letters upper-cased), read from the end of the text alone.
std::optional<std::array<char, 3>> last_codon(std::string_view nucleotides) noexcept {
    std::string_view rest = text::trim_unicode_whitespace(nucleotides);
    std::array<char, 3> codon{};
    for (int base = 3; base > 0;) {
        if (rest.empty()) return std::nullopt;
        const char c = rest.back();
        rest.remove_suffix(1);
        if (is_gap_sign(c)) continue;
        codon[std::size_t(--base)] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
    return codon;
}

// `nucleotides` up to its last three bases (normalising drops gap signs and the white
// space around the sequence, so those are stepped over).
std::string_view without_last_codon(std::string_view nucleotides) noexcept {
    std::string_view rest = text::trim_unicode_whitespace(nucleotides);
    for (int bases = 0; bases < 3 && !rest.empty();) {
        if (!is_gap_sign(rest.back())) ++bases;
        rest.remove_suffix(1);
    }
    return nucleotides.substr(0, std::size_t(rest.data() + rest.size() - nucleotides.data()));
}

}  // namespace

std::optional<std::string_view> without_terminal_stop(std::string_view peptide,
                                                      std::string_view nucleotides,
                                                      const codon::StopCodons& stops,
                                                      NormaliseScratch& scratch) {
    // A record whose last codon is no stop is told by the text's end alone.
    const auto last = last_codon(nucleotides);
    if (!last || !stops.is_stop({last->data(), last->size()})) return std::nullopt;
    const Normalised record = normalised(peptide, nucleotides, scratch);
    if (!codon::carries_terminal_stop(record.lengths.residues, record.bases, stops))
        return std::nullopt;
    return without_last_codon(nucleotides);
}

bool lengths_disagree(std::string_view peptide, std::string_view nucleotides,
                      NormaliseScratch& scratch) {
    return !normalised(peptide, nucleotides, scratch).lengths.agree();
}

}  // namespace velbrin::family
