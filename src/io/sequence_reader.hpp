#pragma once
// Readers of sequence files: FASTA, and CLUSTAL for peptide alignments.

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "io/io_failure.hpp"

namespace velbrin::io {

// header without '>' and line end; sequence = its lines joined, CR/blank lines dropped;
// line = 1-based line of the header (of the name's first block line in CLUSTAL)
struct SequenceRecord {
    std::string header;
    std::string sequence;
    std::size_t line;
};

// FASTA only (nucleotide files); `label` names the file in failures.
std::variant<std::vector<SequenceRecord>, IoFailure> read_fasta(std::string_view text,
                                                                std::string_view label);

// FASTA or CLUSTAL, recognised by content (peptide alignments).
std::variant<std::vector<SequenceRecord>, IoFailure> read_alignment(std::string_view text,
                                                                    std::string_view label);

}  // namespace velbrin::io
