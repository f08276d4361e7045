#pragma once
// Sharded batches: shard K of N runs the families whose position (in the manifest, or in
// the sorted folder listing) is K-1 modulo N, and writes its own status table,
// status.K-of-N.tsv.  Joining the N tables restores the families' order by dealing their
// rows out in turn: the j-th row of shard K is the family at position j*N + K-1.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/batch_options.hpp"
#include "family/family_run.hpp"
#include "io/io_failure.hpp"

namespace velbrin::cli {

// "K/N" with 1 <= K <= N, else nullopt.
std::optional<Shard> parse_shard(std::string_view text) noexcept;

// The families of `shard`, in their order.
std::vector<family::FamilyInputs> families_of_shard(std::vector<family::FamilyInputs> families,
                                                    Shard shard);

// "status.K-of-N.tsv"
std::string shard_status_name(Shard shard);

// Joins the shard tables in `folder` into one table in the families' order; fails, naming
// the shard, when one is missing, given twice, or holds rows that cannot be its share.
std::variant<std::string, io::IoFailure> merge_shard_tables(const std::string& folder);

}  // namespace velbrin::cli
