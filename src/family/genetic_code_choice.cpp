#include "family/genetic_code_choice.hpp"

#include <utility>

#include "genetic_code/genetic_code.hpp"
#include "io/code_table_file.hpp"
#include "io/input_file.hpp"

namespace velbrin::family {

std::variant<codon::RecordAligner, codon::Failure> GeneticCodeChoice::record_aligner(
    std::string peptide_label, std::string nucleotide_label) const {
    if (custom)
        return codon::RecordAligner::under_custom_code(std::move(peptide_label),
                                                       std::move(nucleotide_label), *custom);
    return codon::RecordAligner::under_ncbi_code(std::move(peptide_label),
                                                 std::move(nucleotide_label), table);
}

io::Result<GeneticCodeChoice> choose_genetic_code(std::int32_t table,
                                                  const std::string& code_table_path) {
    GeneticCodeChoice choice;
    choice.table = table;
    if (code_table_path.empty()) {
        if (const auto letters = codon::ncbi_table(table))
            choice.stops = codon::StopCodons::of_ncbi_table(*letters);
        choice.starts = codon::ncbi_start_codons(table).value_or(codon::StartCodons{});
        return choice;
    }
    io::Result<std::string> text = io::read_input(code_table_path);
    if (!text) return std::move(text).failure();
    io::Result<codon::CustomCodonTable> custom =
        io::read_code_table(*text, io::input_label(code_table_path), &choice.starts);
    if (!custom) return std::move(custom).failure();
    choice.custom.emplace(std::move(custom).value());
    choice.stops = codon::StopCodons::of_custom_table(*choice.custom);
    return choice;
}

}  // namespace velbrin::family
