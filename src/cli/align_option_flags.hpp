#pragma once
// The options every alignment shares (`align` and `batch`): pairing, genetic code,
// stop codons, columns and output format.

#include "family/family_run.hpp"

namespace CLI {
class App;
}

namespace velbrin::cli {

// Adds the shared options to `command`, writing into `options`, which outlives it.
void add_align_options(CLI::App& command, family::AlignOptions& options);

// Throws CLI::ValidationError for options that exclude each other by value.
void check_align_options(const family::AlignOptions& options);

}  // namespace velbrin::cli
