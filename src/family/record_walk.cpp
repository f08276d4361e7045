#include "family/record_walk.hpp"

#include "codon/codon_placement.hpp"
#include "io/alignment_writer.hpp"

namespace velbrin::family {

namespace {

constexpr std::uintptr_t kDropStep = std::uintptr_t{2} << 20;

std::uintptr_t address(const char* position) noexcept {
    return reinterpret_cast<std::uintptr_t>(position);
}

}  // namespace

PagesBehind::PagesBehind(const io::InputText& text) noexcept
    : text_(&text),
      begin_(address(text.view().data())),
      end_(begin_ + text.size()),
      dropped_to_(begin_) {}

void PagesBehind::reached(const char* position) noexcept {
    const std::uintptr_t at = address(position);
    if (at < dropped_to_ + kDropStep || at > end_) return;
    text_->drop_pages({text_->view().data() + (dropped_to_ - begin_), at - dropped_to_});
    dropped_to_ = at;
}

RecordWalk::RecordWalk(const FamilyFiles& files, const RecordPairs& pairs,
                       const codon::StopCodons& stops, bool keep_terminal_stop,
                       const codon::RecordAligner& aligner) noexcept
    : files_(files),
      pairs_(pairs),
      stops_(stops),
      keep_terminal_stop_(keep_terminal_stop),
      aligner_(aligner) {
    behind_.reserve(files.storage.size());
    for (const io::SequenceFile& file : files.storage) behind_.emplace_back(file.text);
}

codon::RecordPair RecordWalk::pair_of(std::size_t record) {
    const io::SequenceRecord& peptide = files_.peptides[record];
    const std::size_t partner = pairs_.partner[record];
    const io::SequenceRecord& nucleotide = files_.nucleotides[partner];
    behind_[0].reached(peptide.text.data());
    behind_[1 + files_.nucleotide_file[partner]].reached(nucleotide.text.data());
    const std::string_view residues = io::sequence_of(peptide, peptide_);
    const std::string_view bases = io::sequence_of(nucleotide, nucleotides_);
    // Pairing has established which records belong together, so the core's header check
    // is given the peptide's ID on both sides.
    const std::string_view id = io::record_name(peptide.header);
    return {id, {id, residues}, {id, bases}};
}

std::variant<codon::RecordAligner::Row, codon::Failure> RecordWalk::align(
    std::size_t record, codon::MismatchPolicy* policy) {
    codon::RecordAligner::TerminalStops terminal_stops{keep_terminal_stop_ ? nullptr : &stops_};
    auto outcome = aligner_.align(pair_of(record), record + 1, row_, policy, &terminal_stops);
    trimmed_stops_ += terminal_stops.trimmed;
    return outcome;
}

bool RecordWalk::place(std::size_t record) {
    // A placed row takes three bases per residue from the start: a trimmed stop lies
    // past them, so it need not be looked for again.
    const codon::RecordPair pair = pair_of(record);
    row_.resize(3 * pair.peptide.sequence.size());
    return codon::place_codons(pair.peptide.sequence, pair.nucleotide.sequence, row_.data());
}

std::size_t RecordWalk::trims_from(std::size_t record) {
    std::size_t trims = 0;
    if (keep_terminal_stop_) return trims;
    for (; record < files_.peptides.size(); ++record) {
        const std::string_view residues = io::sequence_of(files_.peptides[record], peptide_);
        const std::string_view bases =
            io::sequence_of(files_.nucleotides[pairs_.partner[record]], nucleotides_);
        trims += without_terminal_stop(residues, bases, stops_, normalise_).has_value();
    }
    return trims;
}

std::size_t paired_nucleotides(const FamilyFiles& files, const RecordPairs& pairs) noexcept {
    std::size_t total = 0;
    for (const std::size_t partner : pairs.partner) total += files.nucleotides[partner].length();
    return total;
}

}  // namespace velbrin::family
