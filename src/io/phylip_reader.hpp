#pragma once
// The relaxed PHYLIP alignment reader: a counts line "N L", then N records, sequential
// (each name followed by all L residues, over as many lines as it takes) or interleaved
// (a first block of "name residues" lines, then blocks of residues in the same order).
// Names end at the first blank; blanks among residues are dropped.

#include <string_view>

#include "io/sequence_reader.hpp"

namespace velbrin::io {

// "N L": two counts and nothing else.
bool is_phylip_counts(std::string_view line) noexcept;

// Reads the whole `text`, whose first line that is not blank is the counts line.
SequenceOutcome read_phylip(std::string_view text, std::string_view label);

}  // namespace velbrin::io
