#pragma once
// The Stockholm alignment reader: "# STOCKHOLM 1.0", then "name residues" lines in one or
// more interleaved blocks, "#" annotation lines (skipped), and "//" at the end.

#include <string_view>

#include "io/sequence_reader.hpp"
#include "io/text_lines.hpp"

namespace velbrin::io {

bool is_stockholm_header(std::string_view line) noexcept;

// Reads from the line after the header on; `label` names the file in failures.
SequenceOutcome read_stockholm(LineCursor cursor, std::string_view label);

}  // namespace velbrin::io
