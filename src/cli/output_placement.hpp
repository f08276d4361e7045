#pragma once
// Where a batch may write: its output folder and status table must not land on its
// inputs.  Files are compared by device and inode, so no spelling of a path (relative,
// through a link, with "./") slips past.

#include <optional>
#include <span>
#include <string>

#include "cli/batch_options.hpp"
#include "family/family_run.hpp"

namespace velbrin::cli {

// Creates the output folder when missing; returns why the batch must not start, or
// nullopt.  The output folder must not be an input folder (--peptides, --nucleotides or
// the folder of any family's file): outputs there would be read as inputs by the next
// run.  The status table must not be the manifest or any family's file.
std::optional<std::string> output_placement_problem(const BatchOptions& batch,
                                                    std::span<const family::FamilyInputs> families,
                                                    const std::string& status_path);

}  // namespace velbrin::cli
