#pragma once
// `velbrin batch`: many gene families in one run, on every core, each aligned as
// `velbrin align` does it, with a status table of what became of each.

#include "cli/batch_options.hpp"
#include "family/family_run.hpp"

namespace velbrin::cli {

// The exit status: 0 when every family aligned or was skipped, 1 when one failed or the
// status table could not be written, 2 when the batch could not start (its families or
// output folder unusable), 128 + the signal's number after SIGINT or SIGTERM.
int run_batch(const BatchOptions& batch, const family::AlignOptions& align);

}  // namespace velbrin::cli
