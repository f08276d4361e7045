#pragma once
// A family's records through the core one at a time, in peptide order: each record's
// sequences joined into reused scratch (never a whole file at once), its terminal stop
// trimmed unless kept, and its codon row written into a reused row.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "codon/alignment.hpp"
#include "family/family_files.hpp"
#include "family/record_pairing.hpp"
#include "family/terminal_stop.hpp"
#include "genetic_code/stop_codons.hpp"
#include "io/input_text.hpp"

namespace velbrin::family {

// The pages of an input that a walk has gone past, let go of a few MiB at a time: a walk
// in file order then holds only the part of the input at hand.  Going back costs only
// reading the pages again.
class PagesBehind {
public:
    explicit PagesBehind(const io::InputText& text) noexcept;
    // The walk reached `position` (in the text or not).
    void reached(const char* position) noexcept;
    // The walk starts from the top of the file again.
    void start_again() noexcept { dropped_to_ = begin_; }

private:
    const io::InputText* text_;
    std::uintptr_t begin_, end_, dropped_to_;
};

class RecordWalk {
public:
    // Everything given outlives the walk.
    RecordWalk(const FamilyFiles& files, const RecordPairs& pairs, const codon::StopCodons& stops,
               bool keep_terminal_stop, const codon::RecordAligner& aligner) noexcept;

    // Aligns record `record` (0-based, in peptide order); a written row is in row() until
    // the next call.
    std::variant<codon::RecordAligner::Row, codon::Failure> align(std::size_t record,
                                                                  codon::MismatchPolicy* policy);
    // Writes the row of record `record` again, from its texts as given, after align()
    // said it was placed (Row::placed); false if the texts no longer fit.
    bool place(std::size_t record);
    std::string_view row() const noexcept { return row_; }
    // Records whose terminal stop was trimmed so far.
    std::size_t trimmed_stops() const noexcept { return trimmed_stops_; }
    // A walk over the records again, from the first.
    void start_again() noexcept {
        for (PagesBehind& input : behind_) input.start_again();
    }
    // The terminal stops that records from `record` on would have trimmed.
    std::size_t trims_from(std::size_t record);

private:
    // The record's pair as the core sees it: the sequences joined.
    codon::RecordPair pair_of(std::size_t record);

    const FamilyFiles& files_;
    const RecordPairs& pairs_;
    const codon::StopCodons& stops_;
    bool keep_terminal_stop_;
    const codon::RecordAligner& aligner_;
    std::string peptide_, nucleotides_, row_;
    NormaliseScratch normalise_;
    std::vector<PagesBehind> behind_;  // per input: the peptide file, then each nucleotide file
    std::size_t trimmed_stops_ = 0;
};

// The nucleotides paired with the family's peptides, as the reports count what was read.
std::size_t paired_nucleotides(const FamilyFiles& files, const RecordPairs& pairs) noexcept;

}  // namespace velbrin::family
