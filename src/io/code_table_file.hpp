#pragma once
// Reader of a genetic code the user writes in a small text file.

#include <string_view>
#include <variant>

#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/start_codons.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

// A genetic code the user writes: one amino acid and its codons per line ("M ATG",
// "L TTA TTG CTT CTC CTA CTG"), '#' starts a comment; the stop codons under "*".  An
// optional line "start TTG CTG ATG" names the start codons (plain bases), which go to
// `starts` when it is given.
std::variant<codon::CustomCodonTable, IoFailure> read_code_table(
    std::string_view text, std::string_view label, codon::StartCodons* starts = nullptr);

}  // namespace velbrin::io
