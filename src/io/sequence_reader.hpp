#pragma once
// Readers of sequence files: FASTA, and for peptide alignments also CLUSTAL, Stockholm
// and relaxed PHYLIP, told apart by content.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "io/input_text.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

// header without '>' and line end (the name in CLUSTAL, Stockholm and PHYLIP);
// text = the sequence as it stands: its one line, or, when `wrapped`, its lines from the
// first to the last with their line ends and blanks, which sequence_of() joins (a wrapped
// file is never joined whole, only a record at a time);
// line = 1-based line of the header (of the name's first line in the other formats)
struct SequenceRecord {
    std::string header;
    std::string_view text;
    std::size_t line = 0;
    bool wrapped = false;
    std::size_t wrapped_length = 0;  // the residues of a wrapped text
    // A wrapped text of clean lines all `line_width` long but the last, each ended by
    // "\n"; 0 when its lines are not known to be so.
    std::size_t line_width = 0;

    // The residues of the sequence, line ends and blanks left out.
    std::size_t length() const noexcept { return wrapped ? wrapped_length : text.size(); }
};

// The record's sequence: its text, or its lines joined into `scratch`, which the caller
// reuses from record to record.
std::string_view sequence_of(const SequenceRecord& record, std::string& scratch);

// The records of one file and what their texts view: the text read, or sequences joined
// into `joined` (those of interleaved formats).  The text must outlive the records: the
// caller hands it over into `text` (moving a SequenceFile keeps every view valid).
struct SequenceFile {
    std::vector<SequenceRecord> records;
    std::deque<std::string> joined;
    InputText text;
};

using SequenceOutcome = std::variant<SequenceFile, IoFailure>;

// FASTA only (nucleotide files); `label` names the file in failures.
SequenceOutcome read_fasta(std::string_view text, std::string_view label);

// FASTA, CLUSTAL, Stockholm or relaxed PHYLIP, recognised by content (peptide
// alignments).  The gap characters '.' and '~' are read as '-'.
SequenceOutcome read_alignment(std::string_view text, std::string_view label);

}  // namespace velbrin::io
