#pragma once
// What `velbrin batch` was asked to do, beside the alignment options it shares with align.

#include <cstddef>
#include <optional>
#include <string>

namespace velbrin::cli {

// One of the shards a batch is split into (--shard K/N).
struct Shard {
    std::size_t number = 0;  // K, from 1
    std::size_t count = 0;   // N
};

struct BatchOptions {
    std::string manifest_path;      // the manifest, or empty with both folders below
    std::string peptide_folder;     // --peptides
    std::string nucleotide_folder;  // --nucleotides
    std::string out_folder;         // --out-dir, created when missing
    std::string status_path;        // --status; empty: status.tsv (status.K-of-N.tsv) in
                                    // the output folder
    std::optional<Shard> shard;     // --shard: only this shard's families
    std::string merge_folder;       // --merge-status: join the shard tables found there
    std::size_t threads = 0;        // 0: one per core
    bool skip_existing = false;
    bool fail_fast = false;
    bool quiet = false;
};

}  // namespace velbrin::cli
