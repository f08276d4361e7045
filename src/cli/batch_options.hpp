#pragma once
// What `velbrin batch` was asked to do, beside the alignment options it shares with align.

#include <cstddef>
#include <string>

namespace velbrin::cli {

struct BatchOptions {
    std::string manifest_path;      // the manifest, or empty with both folders below
    std::string peptide_folder;     // --peptides
    std::string nucleotide_folder;  // --nucleotides
    std::string out_folder;         // --out-dir, created when missing
    std::string status_path;        // --status; empty: status.tsv in the output folder
    std::size_t threads = 0;        // 0: one per core
    bool skip_existing = false;
    bool fail_fast = false;
    bool quiet = false;
};

}  // namespace velbrin::cli
