#pragma once
// The families of a batch while its workers run: each one aligned, its output or report
// written, and its outcome recorded for the status table.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_options.hpp"
#include "cli/progress_line.hpp"
#include "cli/status_table.hpp"
#include "family/family_run.hpp"
#include "io/io_failure.hpp"

namespace velbrin::cli {

// Writes `content` to `path` whole or not at all; `durable`: synced to disk in place.
std::optional<io::IoFailure> write_whole_file(std::string path, std::string_view content,
                                              bool durable);

// The output file's extension for `format` ("fa", "phy", ...), without the dot.
std::string_view output_extension(io::OutputFormat format) noexcept;

// Each outcome slot is written by the one worker that runs its family, and read once
// the workers have left or the families were closed; the counters feed the progress
// line.
class BatchFamilies {
public:
    using Clock = std::chrono::steady_clock;

    // `batch` and `align` must outlive the object.
    BatchFamilies(std::vector<family::FamilyInputs> families, const BatchOptions& batch,
                  const family::AlignOptions& align);

    // The families still to run, largest first; when resuming, those whose output is
    // newer than their inputs, with no failure report beside it, are marked skipped
    // instead.
    std::vector<std::size_t> schedule();

    // Aligns family `i` and, unless the families were closed meanwhile, writes its files
    // and records its outcome; returns false when it failed.  Safe from any thread.
    bool run_one(std::size_t i) noexcept;

    // Once the deliveries under way are done, no family writes a file or an outcome any
    // more: families still running count as not run, and the outcomes may be read while
    // workers are still inside a family.
    void close();

    ProgressCounts progress(std::size_t total, Clock::time_point started) const;

    const std::vector<family::FamilyInputs>& families() const noexcept { return families_; }
    const std::vector<FamilyOutcome>& outcomes() const noexcept { return outcomes_; }

private:
    std::string output_path(std::size_t i) const;
    std::string report_path(std::size_t i) const;
    family::FamilyResult align(std::size_t i);
    family::FamilyResult keep_one_kind(std::size_t i, family::FamilyResult result) const;
    bool output_is_current(std::size_t i) const;

    std::vector<family::FamilyInputs> families_;
    std::vector<FamilyOutcome> outcomes_;
    std::vector<std::uint64_t> sizes_;
    const BatchOptions& batch_;
    const family::AlignOptions& align_;
    std::uint64_t bytes_total_ = 0;
    std::atomic<std::size_t> done_{0}, failed_{0};
    std::atomic<std::uint64_t> bytes_done_{0};
    std::shared_mutex delivery_;
    bool closed_ = false;  // guarded by delivery_
};

}  // namespace velbrin::cli
