#pragma once
// The column-by-column walk that turns one normalised record into its codon line.
// Both drivers use it; they differ only in their rules.
//
// A `Rules` type provides:
//   const AcceptanceMasks& masks() const;    the verdict on codons of plain bases;
//   bool accepts_ambiguous(char residue, std::string_view codon) const noexcept;
//                                            the verdict on any other codon;
//   void report_uncovered(char residue, std::size_t column, const AminoAcidTranslator&) const;
//                                            records a residue the code does not know;
//   GeneticCodeRef code() const;             the code shown in a report.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "codon/amino_acid_translator.hpp"
#include "codon/codon_acceptance.hpp"
#include "genetic_code/genetic_code.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::codon {

inline bool holds_unknown_base(std::string_view codon) noexcept {
    return codon[0] == 'N' || codon[1] == 'N' || codon[2] == 'N';
}

inline bool is_whole_utf8(std::string_view codon) noexcept {
    const bool ascii = ((std::uint8_t(codon[0]) | std::uint8_t(codon[1]) | std::uint8_t(codon[2])) & 0x80) == 0;
    return ascii || text::is_valid_utf8(codon);
}

enum class ColumnVerdict { accepted, uncovered, mismatch };

// The full rules for a residue's column: the residue must be covered, three bytes
// must be left and form whole characters; then "X" and codons holding "N" pass, plain
// codons pass by the mask and any other by the code's ambiguity rule.
template <class Rules>
ColumnVerdict judge_column(const Rules& rules, char residue, std::string_view codon) noexcept {
    const std::size_t slot = std::uint8_t(residue) & 0x7F;  // normalised residues are ASCII
    if (!rules.masks().covered[slot]) return ColumnVerdict::uncovered;
    if (codon.size() < 3 || !is_whole_utf8(codon)) return ColumnVerdict::mismatch;
    if (residue == 'X' || holds_unknown_base(codon)) return ColumnVerdict::accepted;
    const auto index = codon_index(codon);
    const bool accepted = index ? ((rules.masks().accepted[slot] >> *index) & 1) != 0
                                : rules.accepts_ambiguous(residue, codon);
    return accepted ? ColumnVerdict::accepted : ColumnVerdict::mismatch;
}

// The fast path: writes the codon line of the columns from `column` on while each is a
// gap or a codon of plain bases that its residue's mask accepts.  Returns the column
// it stopped at (the peptide's length when it got through).
std::size_t walk_plain_codons(std::string_view peptide, std::size_t column, std::string_view nucleotides,
                              std::size_t& cursor, const AcceptanceMasks& masks, char* line) noexcept;

// Writes the record's codon line, three bytes per column, to `line`.  Returns false
// after recording the record's failure in the translator; `line` then holds an
// unfinished line.
template <class Rules>
bool walk_codons(const AminoAcidTranslator& record, const Rules& rules, char* line) {
    const std::string_view peptide = record.aa_seq();
    const std::string_view nucleotides = record.nt_seq();
    std::size_t cursor = 0;
    for (std::size_t column = 0;; ++column) {
        column = walk_plain_codons(peptide, column, nucleotides, cursor, rules.masks(), line);
        if (column == peptide.size()) return true;
        const std::string_view codon = nucleotides.substr(cursor, 3);
        const ColumnVerdict verdict = judge_column(rules, peptide[column], codon);
        if (verdict == ColumnVerdict::uncovered) {
            rules.report_uncovered(peptide[column], column, record);
            return false;
        }
        if (verdict == ColumnVerdict::mismatch) {
            record.error_out_mismatch(column, rules.code());
            return false;
        }
        std::memcpy(line + 3 * column, codon.data(), 3);
        cursor += 3;
    }
}

}  // namespace velbrin::codon
