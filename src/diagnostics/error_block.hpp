#pragma once
// The one shape of every report: rule, "tarnix ERROR: {message}", rule, details, rule.

#include <string>
#include <string_view>

namespace velbrin::diagnostics {

// The summaries the module raises.
inline constexpr std::string_view kInvalidTableNumber = "Invalid codon table number.";
inline constexpr std::string_view kMissingAminoAcid =
    "Amino acid is missing from custom codon table.";
inline constexpr std::string_view kHeaderMismatch =
    "Header mismatch between peptide and nucleotide records.";
inline constexpr std::string_view kLengthMismatch =
    "Peptide and nucleotide lengths are inconsistent.";
inline constexpr std::string_view kSequenceMismatch =
    "Peptide and nucleotide sequences are inconsistent.";

std::string format_error_block(std::string_view message, std::string_view details);

// A header as it may be quoted: at most 150 bytes, then "..."; never cuts a UTF-8
// character in two.
std::string truncate_header(std::string_view header);

}  // namespace velbrin::diagnostics
