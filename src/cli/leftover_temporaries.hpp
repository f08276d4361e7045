#pragma once
// Temporary files that a killed run (SIGKILL, a power cut) could not remove.  Every
// output is written as ".velbrin-tmp-<12 letters or digits>-<name>" beside its target and
// renamed when whole (io::is_temporary_name), so a file of that shape is never anyone's
// finished output.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velbrin::cli {

// The name of the file `file_name` is a temporary of, or empty when it has not the
// shape of an output's temporary name.
std::string_view temporary_target(std::string_view file_name) noexcept;

// Removes from `folder` the temporaries last written before `started` whose target
// `is_own` accepts: those of a run that ended earlier.  A run under way beside this one
// (another shard of the batch) writes other targets, so its temporaries are left alone.
void remove_leftover_temporaries(const std::string& folder, std::filesystem::file_time_type started,
                                 const std::function<bool(std::string_view target)>& is_own);

}  // namespace velbrin::cli
