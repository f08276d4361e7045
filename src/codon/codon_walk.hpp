#pragma once
// The column-by-column walk that turns one normalised record into its codon line.
// Both drivers use it; they differ only in their acceptance rules.
//
// A `Rules` type provides:
//   Rule rule_for(char residue, std::size_t column, const AminoAcidTranslator&) const;
//       the rule for a residue, or an empty rule after recording why there is none;
//   bool Rule::accepts(std::string_view codon) const;   the table's verdict;
//   GeneticCodeRef code() const;                         the code shown in a report.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codon/amino_acid_translator.hpp"
#include "diagnostics/unicode_text.hpp"

namespace velbrin::codon {

inline bool holds_unknown_base(std::string_view codon) noexcept {
    return codon[0] == 'N' || codon[1] == 'N' || codon[2] == 'N';
}

inline bool is_whole_utf8(std::string_view codon) noexcept {
    const bool ascii = ((std::uint8_t(codon[0]) | std::uint8_t(codon[1]) | std::uint8_t(codon[2])) & 0x80) == 0;
    return ascii || diagnostics::is_valid_utf8(codon);
}

// Appends the record's codon line to `out`.  Returns false after recording the
// record's failure in the translator; `out` then holds a partial line.
template <class Rules>
bool walk_codons(const AminoAcidTranslator& record, const Rules& rules, std::string& out) {
    const std::string_view peptide = record.aa_seq();
    const std::string_view nucleotides = record.nt_seq();
    std::size_t cursor = 0;
    for (std::size_t column = 0; column < peptide.size(); ++column) {
        const char residue = peptide[column];
        if (residue == '-') {
            out.append("---", 3);
            continue;
        }
        const auto rule = rules.rule_for(residue, column, record);
        if (!rule) return false;
        if (nucleotides.size() - cursor < 3) {
            record.error_out_mismatch(column, rules.code());
            return false;
        }
        const std::string_view codon = nucleotides.substr(cursor, 3);
        if (!is_whole_utf8(codon)) {
            record.error_out_mismatch(column, rules.code());
            return false;
        }
        cursor += 3;
        if (residue != 'X' && !holds_unknown_base(codon) && !rule.accepts(codon)) {
            record.error_out_mismatch(column, rules.code());
            return false;
        }
        out.append(codon);
    }
    return true;
}

}  // namespace velbrin::codon
