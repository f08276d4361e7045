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
// sequence = its lines joined, line ends and blanks dropped;
// line = 1-based line of the header (of the name's first line in the other formats)
struct SequenceRecord {
    std::string header;
    std::string_view sequence;
    std::size_t line;
};

// The records of one file and what their sequences view: a sequence that stands whole
// on one line is a view of the text read, any other is joined into `joined`.  The text
// must outlive the records: the caller hands it over into `text` (moving a SequenceFile
// keeps every view valid).
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
