#pragma once
// The stop codon a coding sequence usually ends with and its translated protein leaves
// out: found, so it can be dropped or named in a hint.

#include <optional>
#include <string>
#include <string_view>

#include "genetic_code/stop_codons.hpp"

namespace velbrin::family {

// Reused buffers for normalising one record at a time without allocating per record.
struct NormaliseScratch {
    std::string peptide, nucleotides;
};

// `nucleotides` without its last codon, when it holds exactly one codon more than
// `peptide` has residues (as the length check counts them) and that codon is a stop.
std::optional<std::string_view> without_terminal_stop(std::string_view peptide,
                                                      std::string_view nucleotides,
                                                      const codon::StopCodons& stops,
                                                      NormaliseScratch& scratch);

// Whether the core's length check fails on this pair.
bool lengths_disagree(std::string_view peptide, std::string_view nucleotides,
                      NormaliseScratch& scratch);

}  // namespace velbrin::family
