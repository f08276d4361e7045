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
#include "codon/mismatch_policy.hpp"
#include "codon/vector_level.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::codon {

inline bool holds_unknown_base(std::string_view codon) noexcept {
    return codon[0] == 'N' || codon[1] == 'N' || codon[2] == 'N';
}

inline bool is_whole_utf8(std::string_view codon) noexcept {
    const bool ascii =
        ((std::uint8_t(codon[0]) | std::uint8_t(codon[1]) | std::uint8_t(codon[2])) & 0x80) == 0;
    return ascii || text::is_valid_utf8(codon);
}

enum class ColumnVerdict { accepted, uncovered, mismatch };

// The full rules for a residue's column: the residue must be covered, three bytes
// must be left and form whole characters; then "X" and codons holding "N" pass, plain
// codons pass by the mask and any other by the code's ambiguity rule.
template <class Rules>
ColumnVerdict judge_column(const Rules& rules, char residue, std::string_view codon) noexcept {
    if (!rules.masks().covers(residue)) return ColumnVerdict::uncovered;
    if (codon.size() < 3 || !is_whole_utf8(codon)) return ColumnVerdict::mismatch;
    if (residue == 'X' || holds_unknown_base(codon)) return ColumnVerdict::accepted;
    const auto index = codon_index(codon);
    const bool accepted = index ? ((rules.masks().accepted_by(residue) >> *index) & 1) != 0
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
};

// Advances over the columns the vector kernel accepts, block by block, stopping at the
// first column it cannot decide; returns how many columns it advanced.
std::size_t walk_blocks(CodonWalk& walk, const AcceptanceMasks& masks,
                        const BlockKernel& kernel) noexcept;

// Writes the gap run starting at `column` of `peptide`; returns the column after it.
std::size_t write_gap_run(std::string_view peptide, std::size_t column, char* line) noexcept;

// How many codon columns to walk one by one before the kernel is tried again.  After a
// block that advanced well the column that stopped it is likely alone (a substitution,
// an ambiguous codon, the end of a gap run), so the kernel resumes right after it; after
// one that advanced little, columns it cannot decide come in a row (ambiguous codons,
// "X" residues), and a stretch of them is walked first, so that no column costs a
// kernel call of its own.
inline std::size_t single_column_budget(const BlockKernel& kernel, std::size_t advanced) noexcept {
    if (kernel.width == 0) return std::size_t(-1);
    return advanced >= kernel.width / 4 ? 1 : kernel.width;
}

enum class WalkEnd {
    written,  // the whole codon line
    failed,   // the record's failure is recorded in its translator
    dropped,  // the policy left the record out
};

// What a policy makes of a codon the rules reject; without a policy, or for a codon
// short of three bytes, the record fails.
inline MismatchAction mismatch_action(MismatchPolicy* policy, const AminoAcidTranslator& record,
                                      std::size_t column, std::size_t offset,
                                      std::string_view codon) {
    if (policy == nullptr || codon.size() < 3) return MismatchAction::fail;
    return policy->on_codon({record.index() - 1, column, offset, record.aa_seq()[column], codon});
}

// Writes the record's codon line, three bytes per column, to `line`; `line` holds an
// unfinished line unless the whole of it is written.  A codon the rules reject is put
// to `policy`, if any, and only then: the accepted path is the same with or without one.
// Each column is decided once, so the work is linear in the record.
// `kernel` is the vector kernel of the level in use, which a caller walking many records
// looks up once.
template <class Rules>
WalkEnd walk_codons(const AminoAcidTranslator& record, const Rules& rules,
                    const BlockKernel& kernel, char* line, MismatchPolicy* policy = nullptr) {
    CodonWalk walk{record.aa_seq(), record.nt_seq(), line};
    const AcceptanceMasks& masks = rules.masks();
    const char* const residues = walk.peptide.data();
    const char* const bases = walk.nucleotides.data();
    const std::size_t columns = walk.peptide.size();
    const std::size_t bases_end = walk.nucleotides.size();
    while (!walk.done()) {
        const std::size_t advanced = walk_blocks(walk, masks, kernel);
        // The columns up to the kernel's next try, in locals the compiler keeps in registers.
        std::size_t column = walk.column;
        std::size_t cursor = walk.cursor;
        for (std::size_t codons = single_column_budget(kernel, advanced);
             codons > 0 && column < columns;) {
            const char residue = residues[column];
            if (residue == '-') {
                column = write_gap_run(walk.peptide, column, line);
                continue;
            }
            const std::string_view codon(bases + cursor,
                                         std::min<std::size_t>(3, bases_end - cursor));
            const char* written = codon.data();
            // A codon that resolves to one the residue's mask holds passes every rule, "N"
            // and ambiguity letters included; the full rules see only the others.
            if ((iupac::resolution_mask(codon) & masks.accepted_by(residue)) == 0) {
                const ColumnVerdict verdict = judge_column(rules, residue, codon);
                if (verdict == ColumnVerdict::uncovered) {
                    rules.report_uncovered(residue, column, record);
                    return WalkEnd::failed;
                }
                if (verdict == ColumnVerdict::mismatch) {
                    switch (mismatch_action(policy, record, column, cursor, codon)) {
                        case MismatchAction::fail:
                            record.error_out_mismatch(column, rules.code());
                            return WalkEnd::failed;
                        case MismatchAction::drop: return WalkEnd::dropped;
                        case MismatchAction::mask: written = "NNN"; break;
                        case MismatchAction::accept: break;
                    }
                }
            }
            std::memcpy(line + 3 * column, written, 3);
            cursor += 3;
            ++column;
            --codons;
        }
        walk.column = column;
        walk.cursor = cursor;
    }
    return WalkEnd::written;
}

template <class Rules>
WalkEnd walk_codons(const AminoAcidTranslator& record, const Rules& rules, char* line,
                    MismatchPolicy* policy = nullptr) {
    return walk_codons(record, rules, block_kernel(active_vector_level()), line, policy);
}

}  // namespace velbrin::codon
