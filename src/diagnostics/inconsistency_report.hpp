#pragma once
// The window report of a peptide/nucleotide inconsistency: the peptide window laid over
// the nucleotides that should encode it, translation track and underlined codons.

#include <cstddef>
#include <string>
#include <string_view>

#include "genetic_code/genetic_code_ref.hpp"

namespace velbrin::diagnostics {

std::string format_seq_inconsistency_details(std::string_view aa_label, std::string_view aa_header,
                                             std::string_view residues, std::string_view nt_label,
                                             std::string_view nt_header, std::string_view nt_seq,
                                             std::size_t position,
                                             const codon::GeneticCodeRef& code,
                                             bool mark_mismatches);

// " A  B  C": letter i in column 3i + 1, no trailing space.
std::string spaced_aa_track(std::string_view letters);

}  // namespace velbrin::diagnostics
