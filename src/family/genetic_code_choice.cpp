#include "family/genetic_code_choice.hpp"

#include <utility>

#include "genetic_code/genetic_code.hpp"
#include "io/code_table_file.hpp"
#include "io/input_file.hpp"

namespace velbrin::family {

codon::AlignmentOutcome GeneticCodeChoice::align(std::string_view peptide_path,
                                                 std::string_view nucleotide_path,
                                                 codon::RecordMap records,
                                                 codon::MismatchPolicy& policy) const {
    if (custom)
        return codon::align_with_custom_code(peptide_path, nucleotide_path, *custom,
                                             std::move(records), {}, &policy);
    return codon::align_with_ncbi_code(peptide_path, nucleotide_path, table, std::move(records), {},
                                       &policy);
}

std::variant<GeneticCodeChoice, io::IoFailure> choose_genetic_code(
    std::int32_t table, const std::string& code_table_path) {
    GeneticCodeChoice choice;
    choice.table = table;
    if (code_table_path.empty()) {
        if (const auto letters = codon::ncbi_table(table))
            choice.stops = codon::StopCodons::of_ncbi_table(*letters);
        choice.starts = codon::ncbi_start_codons(table).value_or(codon::StartCodons{});
        return choice;
    }
    std::variant<std::string, io::IoFailure> text = io::read_input(code_table_path);
    if (auto* failure = std::get_if<io::IoFailure>(&text)) return std::move(*failure);
    auto custom = io::read_code_table(std::get<std::string>(text), io::input_label(code_table_path),
                                      &choice.starts);
    if (auto* failure = std::get_if<io::IoFailure>(&custom)) return std::move(*failure);
    choice.custom.emplace(std::move(std::get<codon::CustomCodonTable>(custom)));
    choice.stops = codon::StopCodons::of_custom_table(*choice.custom);
    return choice;
}

}  // namespace velbrin::family
