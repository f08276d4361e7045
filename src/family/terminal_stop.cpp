#include "family/terminal_stop.hpp"

#include <algorithm>
#include <cstddef>

#include "codon/amino_acid_translator.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::family {
namespace {

struct CodingLengths {
    std::size_t residues = 0;
    std::string_view bases;  // the normalised nucleotides
};

// What the length check compares: the peptide's residues and the nucleotide bytes,
// both as normalised.
CodingLengths coding_lengths(std::string_view peptide, std::string_view nucleotides,
                             NormaliseScratch& scratch) {
    const std::string_view residues = codon::normalise_peptide(peptide, scratch.peptide);
    const auto gaps = std::size_t(std::count(residues.begin(), residues.end(), '-'));
    return {residues.size() - gaps, codon::normalise_nucleotides(nucleotides, scratch.nucleotides)};
}

bool is_gap_sign(char c) noexcept { return c == '-' || c == '.'; }

// `nucleotides` up to its last three bases (normalising drops gap signs and the white
// space around the sequence, so those are stepped over).
std::string_view before_last_codon(std::string_view nucleotides) noexcept {
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
    const CodingLengths lengths = coding_lengths(peptide, nucleotides, scratch);
    if (lengths.bases.size() != 3 * lengths.residues + 3) return std::nullopt;
    if (!stops.is_stop(lengths.bases.substr(lengths.bases.size() - 3))) return std::nullopt;
    return before_last_codon(nucleotides);
}

bool lengths_disagree(std::string_view peptide, std::string_view nucleotides,
                      NormaliseScratch& scratch) {
    const CodingLengths lengths = coding_lengths(peptide, nucleotides, scratch);
    return lengths.bases.size() != 3 * lengths.residues;
}

}  // namespace velbrin::family
