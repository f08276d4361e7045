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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "codon/amino_acid_translator.hpp"
#include "codon/codon_acceptance.hpp"
#include "codon/codon_block_match.hpp"
#include "codon/genetic_code.hpp"
#include "codon/vector_level.hpp"
#include "diagnostics/unicode_text.hpp"

namespace velbrin::codon {

inline bool holds_unknown_base(std::string_view codon) noexcept {
    return codon[0] == 'N' || codon[1] == 'N' || codon[2] == 'N';
}

inline bool is_whole_utf8(std::string_view codon) noexcept {
    const bool ascii = ((std::uint8_t(codon[0]) | std::uint8_t(codon[1]) | std::uint8_t(codon[2])) & 0x80) == 0;
    return ascii || diagnostics::is_valid_utf8(codon);
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

// Where the walk stands in a record: the next column of the peptide and the offset of
// the next codon in the nucleotides.  Every column before `column` is written to `line`.
struct CodonWalk {
    std::string_view peptide;
    std::string_view nucleotides;
    char* line;
    std::size_t column = 0;
    std::size_t cursor = 0;

    bool done() const noexcept { return column == peptide.size(); }
    std::string_view codon() const noexcept { return nucleotides.substr(cursor, 3); }
    void take_codon() noexcept {
        std::memcpy(line + 3 * column, nucleotides.data() + cursor, 3);
        cursor += 3;
        ++column;
    }
};

// The fast path, in two parts.  `walk_blocks` advances over the columns the vector
// kernel accepts, block by block, stopping at the first column it cannot decide.
// `walk_single_columns` advances over gaps and the codons of plain bases the masks
// accept up to column `stop`; it returns false when it stopped earlier, at a column
// that needs the full rules.
void walk_blocks(CodonWalk& walk, const AcceptanceMasks& masks, const BlockKernel& kernel) noexcept;
bool walk_single_columns(CodonWalk& walk, const AcceptanceMasks& masks, std::size_t stop) noexcept;

// Columns walked one by one after the kernel stops: a column it cannot decide often
// has more such columns after it (a run of gaps or of ambiguous codons), so the kernel
// is tried again only after this many.
inline std::size_t single_column_stretch(const BlockKernel& kernel) noexcept {
    return kernel.width < 16 ? 16 : kernel.width;
}

// Writes the record's codon line, three bytes per column, to `line`.  Returns false
// after recording the record's failure in the translator; `line` then holds an
// unfinished line.  Each column is decided once, so the work is linear in the record.
template <class Rules>
bool walk_codons(const AminoAcidTranslator& record, const Rules& rules, char* line) {
    CodonWalk walk{record.aa_seq(), record.nt_seq(), line};
    const BlockKernel kernel = block_kernel(active_vector_level());
    const std::size_t stretch = single_column_stretch(kernel);
    while (!walk.done()) {
        walk_blocks(walk, rules.masks(), kernel);
        const std::size_t stop = walk.column + std::min(stretch, walk.peptide.size() - walk.column);
        while (!walk_single_columns(walk, rules.masks(), stop)) {
            const char residue = walk.peptide[walk.column];
            const ColumnVerdict verdict = judge_column(rules, residue, walk.codon());
            if (verdict == ColumnVerdict::uncovered) {
                rules.report_uncovered(residue, walk.column, record);
                return false;
            }
            if (verdict == ColumnVerdict::mismatch) {
                record.error_out_mismatch(walk.column, rules.code());
                return false;
            }
            walk.take_codon();
        }
    }
    return true;
}

}  // namespace velbrin::codon
