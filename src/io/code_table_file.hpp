#pragma once
// Reader of a genetic code the user writes in a small text file.

#include <string_view>
#include <variant>

#include "codon/custom_codon_table.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

// A genetic code the user writes: one amino acid and its codons per line ("M ATG",
// "L TTA TTG CTT CTC CTA CTG"), '#' starts a comment; the stop codons under "*".
std::variant<codon::CustomCodonTable, IoFailure> read_code_table(std::string_view text,
                                                                 std::string_view label);

}  // namespace velbrin::io
