#pragma once
// The genetic code a run uses: an NCBI table by number, or the user's code file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "codon/alignment.hpp"
#include "genetic_code/start_codons.hpp"
#include "genetic_code/stop_codons.hpp"
#include "io/result.hpp"

namespace velbrin::family {

struct GeneticCodeChoice {
    std::int32_t table = 1;
    std::optional<codon::CustomCodonTable> custom;  // set: the user's code replaces the table
    codon::StopCodons stops;    // none for an unsupported table, which the core then reports
    codon::StartCodons starts;  // likewise

    // The core's aligner of one record at a time under this code; it views this choice.
    std::variant<codon::RecordAligner, codon::Failure> record_aligner(
        std::string peptide_label, std::string nucleotide_label) const;
};

// The code file at `code_table_path` when it is not empty, else NCBI table `table`.
io::Result<GeneticCodeChoice> choose_genetic_code(std::int32_t table,
                                                  const std::string& code_table_path);

}  // namespace velbrin::family
