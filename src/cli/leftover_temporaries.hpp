#pragma once
// Temporary files that a killed run (SIGKILL, a power cut) could not remove.  Every
// output is written as ".<name>.<12 letters or digits>.tmp" beside its target and
// renamed when whole, so a file of that shape is never anyone's finished output.

#include <filesystem>
#include <string_view>

namespace velbrin::cli {

// Whether `file_name` has the shape of an output's temporary name.
bool is_temporary_name(std::string_view file_name) noexcept;

// Removes from `folder` the temporaries last written before `started`: those of a run
// that ended earlier, never those a run under way (a shard of the same batch) is writing.
void remove_leftover_temporaries(const std::string& folder,
                                 std::filesystem::file_time_type started);

}  // namespace velbrin::cli
