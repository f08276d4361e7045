#pragma once
// `velbrin batch`: many gene families in one run, on every core, each aligned as
// `velbrin align` does it, with a status table of what became of each.

#include <cstddef>
#include <string>

#include "cli/family_run.hpp"

namespace velbrin::cli {

struct BatchOptions {
    std::string manifest_path;       // the manifest, or empty with both folders below
    std::string peptide_folder;      // --peptides
    std::string nucleotide_folder;   // --nucleotides
    std::string out_folder;          // --out-dir, created when missing
    std::string status_path;         // --status; empty: status.tsv in the output folder
    std::size_t threads = 0;         // 0: one per core
    bool skip_existing = false;
    bool fail_fast = false;
    bool quiet = false;
};

// The exit status: 0 when every family aligned or was skipped, 1 when one failed or the
// status table could not be written, 2 when the batch could not start (its families or
// output folder unusable), 128 + the signal's number after SIGINT or SIGTERM.
int run_batch(const BatchOptions& batch, const AlignOptions& align);

// The output file's extension for `format`: "fa", "phy", "paml" or "aln".
std::string_view output_extension(io::OutputFormat format) noexcept;

}  // namespace velbrin::cli
