#include "cli/batch_run.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <shared_mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/batch_scheduler.hpp"
#include "cli/command.hpp"
#include "cli/family_discovery.hpp"
#include "cli/family_manifest.hpp"
#include "cli/interrupt_watch.hpp"
#include "cli/progress_line.hpp"
#include "cli/status_table.hpp"
#include "io/atomic_output.hpp"
#include "io/input_file.hpp"

namespace velbrin::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A batch whose families or output folder are unusable never starts: like a usage error.
constexpr int kExitCannotStart = kExitUsage;
constexpr int kExitSignalBase = 128;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// How long an interrupted batch waits for the families under way before it ends anyway.
constexpr auto kInterruptGrace = std::chrono::milliseconds(250);

constexpr std::array<std::string_view, 4> kExtensions{"fa", "phy", "paml", "aln"};
static_assert(kExtensions.size() == static_cast<std::size_t>(io::OutputFormat::clustal) + 1);

void print_line(std::string_view text) {
    std::string line("velbrin batch: ");
    line.append(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string joined_path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

std::string folder_of(std::string_view path) {
    if (path == "-") return {};
    return std::filesystem::path(path).parent_path().string();
}

std::variant<std::vector<FamilyInputs>, io::IoFailure> load_manifest(std::string_view path) {
    auto text = io::read_input(path);
    if (auto* failure = std::get_if<io::IoFailure>(&text)) return std::move(*failure);
    return parse_manifest(std::get<std::string>(text), io::input_label(path), folder_of(path));
}

std::variant<std::vector<FamilyInputs>, io::IoFailure> load_families(const BatchOptions& batch) {
    if (!batch.manifest_path.empty()) return load_manifest(batch.manifest_path);
    auto found = discover_families(batch.peptide_folder, batch.nucleotide_folder);
    if (auto* failure = std::get_if<io::IoFailure>(&found)) return std::move(*failure);
    auto& discovered = std::get<DiscoveredFamilies>(found);
    if (discovered.unpaired_nucleotide_files > 0 && !batch.quiet) {
        print_line(std::to_string(discovered.unpaired_nucleotide_files) +
                   " nucleotide file(s) without a peptide partner skipped");
    }
    return std::move(discovered.families);
}

// Output written into an input folder would be read as input by the next run.
std::optional<std::string> output_folder_problem(const BatchOptions& batch) {
    std::error_code error;
    if (!std::filesystem::create_directories(batch.out_folder, error) && error) {
        return batch.out_folder + ": " + error.message();
    }
    for (const auto& input : {batch.peptide_folder, batch.nucleotide_folder}) {
        if (!input.empty() && std::filesystem::equivalent(input, batch.out_folder, error)) {
            return "the output folder " + batch.out_folder + " is an input folder";
        }
    }
    return std::nullopt;
}

std::uint64_t input_size(const FamilyInputs& family) {
    std::error_code error;
    auto size_of = [&](const std::string& path) -> std::uint64_t {
        const auto size = std::filesystem::file_size(path, error);
        return error ? 0 : size;
    };
    std::uint64_t total = size_of(family.peptide_path);
    for (const auto& path : family.nucleotide_paths) total += size_of(path);
    return total;
}

std::optional<io::IoFailure> write_atomically(std::string path, std::string_view content) {
    auto created = io::AtomicOutput::create(std::move(path));
    if (auto* failure = std::get_if<io::IoFailure>(&created)) return std::move(*failure);
    auto& output = std::get<io::AtomicOutput>(created);
    if (auto failure = output.write(content)) return failure;
    return output.commit();
}

FamilyResult failure_of_exception(std::string_view what) noexcept {
    FamilyResult result;
    result.status = FamilyStatus::input_error;
    try {
        result.summary = what;
        result.report = result.summary + '\n';
    } catch (const std::bad_alloc&) {
        // The status alone still tells the family did not align.
    }
    return result;
}

FamilyResult input_error(std::string summary) {
    FamilyResult result;
    result.status = FamilyStatus::input_error;
    result.report = summary + '\n';
    result.summary = std::move(summary);
    return result;
}

// The families' state while workers run: each outcome slot is written by the one worker
// that runs its family and read after the workers are joined; the counters feed the
// progress line.
class BatchRun {
public:
    BatchRun(std::vector<FamilyInputs> families, const BatchOptions& batch, const AlignOptions& align)
        : families_(std::move(families)),
          outcomes_(families_.size()),
          sizes_(families_.size()),
          batch_(batch),
          align_(align) {
        for (std::size_t i = 0; i < families_.size(); ++i) sizes_[i] = input_size(families_[i]);
    }

    // The families still to run, largest first; those whose output exists are marked
    // skipped instead when resuming.
    std::vector<std::size_t> schedule() {
        std::vector<std::size_t> order;
        order.reserve(families_.size());
        for (const auto i : largest_first(sizes_)) {
            std::error_code error;
            if (batch_.skip_existing && std::filesystem::exists(output_path(i), error)) {
                outcomes_[i].status = BatchStatus::skipped;
                outcomes_[i].summary = "output exists";
                continue;
            }
            order.push_back(i);
            bytes_total_ += sizes_[i];
        }
        return order;
    }

    // Aligns family `i` and, unless the batch was closed meanwhile, writes its files and
    // records its outcome; returns false when it failed.
    bool run_one(std::size_t i) noexcept {
        const auto started = Clock::now();
        FamilyResult result;
        try {
            result = align(families_[i]);
        } catch (const std::bad_alloc&) {
            result = failure_of_exception("out of memory");
        } catch (const std::exception& exception) {
            result = failure_of_exception(exception.what());
        }
        std::shared_lock open(delivery_);
        if (closed_) return true;
        auto& outcome = outcomes_[i];
        try {
            record(outcome, deliver(i, std::move(result)));
        } catch (const std::bad_alloc&) {
            record(outcome, failure_of_exception("out of memory"));
        }
        outcome.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        const bool succeeded = outcome.status == BatchStatus::aligned;
        if (!succeeded) failed_.fetch_add(1, std::memory_order_relaxed);
        bytes_done_.fetch_add(sizes_[i], std::memory_order_relaxed);
        done_.fetch_add(1, std::memory_order_relaxed);
        return succeeded;
    }

    // Once the deliveries under way are done, no family writes a file or an outcome any
    // more: families still running count as not run, and the outcomes may be read while
    // workers are still inside a family.
    void close() {
        std::unique_lock closing(delivery_);
        closed_ = true;
    }

    ProgressCounts progress(std::size_t total, Clock::time_point started) const {
        ProgressCounts counts;
        counts.done = done_.load(std::memory_order_relaxed);
        counts.failed = failed_.load(std::memory_order_relaxed);
        counts.total = total;
        counts.bytes_done = bytes_done_.load(std::memory_order_relaxed);
        counts.bytes_total = bytes_total_;
        counts.elapsed = Clock::now() - started;
        return counts;
    }

    const std::vector<FamilyInputs>& families() const noexcept { return families_; }
    const std::vector<FamilyOutcome>& outcomes() const noexcept { return outcomes_; }

private:
    std::string output_path(std::size_t i) const {
        auto name = families_[i].name;
        name.push_back('.');
        name.append(output_extension(align_.format));
        return joined_path(batch_.out_folder, name);
    }

    std::string report_path(std::size_t i) const {
        return joined_path(batch_.out_folder, families_[i].name + ".err");
    }

    FamilyResult align(const FamilyInputs& family) const {
        if (family.nucleotide_paths.empty()) {
            return input_error("no nucleotide file named after the family '" + family.name + "' in " +
                               batch_.nucleotide_folder);
        }
        return run_family(family, align_);
    }

    // Writes the alignment, or the failure's report; a report left by an earlier run of
    // a family that now aligns is removed, so every .err file belongs to this run.
    FamilyResult deliver(std::size_t i, FamilyResult result) const {
        if (result.status == FamilyStatus::aligned) {
            if (auto failure = write_atomically(output_path(i), result.output)) {
                return input_error(std::move(failure->message));
            }
            std::error_code ignored;
            std::filesystem::remove(report_path(i), ignored);
            return result;
        }
        if (auto failure = write_atomically(report_path(i), result.report)) {
            result.summary += " (its report could not be written: " + failure->message + ")";
        }
        return result;
    }

    static void record(FamilyOutcome& outcome, const FamilyResult& result) {
        switch (result.status) {
            case FamilyStatus::aligned: outcome.status = BatchStatus::aligned; break;
            case FamilyStatus::failed: outcome.status = BatchStatus::failed; break;
            case FamilyStatus::input_error: outcome.status = BatchStatus::input_error; break;
        }
        outcome.kind = result.kind;
        outcome.records = result.records;
        outcome.columns = result.columns;
        outcome.nucleotides = result.nucleotides;
        outcome.summary = result.summary;
    }

    std::vector<FamilyInputs> families_;
    std::vector<FamilyOutcome> outcomes_;
    std::vector<std::uint64_t> sizes_;
    const BatchOptions& batch_;
    const AlignOptions& align_;
    std::uint64_t bytes_total_ = 0;
    std::atomic<std::size_t> done_{0}, failed_{0};
    std::atomic<std::uint64_t> bytes_done_{0};
    std::shared_mutex delivery_;
    bool closed_ = false;  // guarded by delivery_
};

std::size_t thread_count(const BatchOptions& batch) {
    if (batch.threads > 0) return batch.threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

// Waits for the families to run, drawing progress; returns the number of the signal
// that interrupted them, or 0.
int watch_families(const BatchRun& run, BatchScheduler& scheduler, InterruptWatch& watch,
                   bool show_progress, std::size_t total) {
    const auto started = Clock::now();
    ProgressLine progress;
    int signal = 0;
    while (signal == 0 && !scheduler.finished()) {
        signal = watch.wait(show_progress ? std::optional(kProgressInterval) : std::nullopt);
        if (show_progress) progress.draw(run.progress(total, started));
    }
    if (signal == 0) signal = watch.poll();
    // The last count is drawn too, so even a run that ended before the first tick shows
    // its line before it is erased.
    if (show_progress) progress.draw(run.progress(total, started));
    progress.clear();
    return signal;
}

// After an interrupt: whether the workers left within `grace`.
bool workers_left(const BatchScheduler& scheduler, InterruptWatch& watch, Clock::duration grace) {
    const auto deadline = Clock::now() + grace;
    while (!scheduler.finished()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        watch.wait(left);
    }
    return true;
}

std::string summary_line(const std::vector<FamilyOutcome>& outcomes, std::string_view status_path,
                         int signal) {
    std::array<std::size_t, 5> counts{};
    for (const auto& outcome : outcomes) ++counts[static_cast<std::size_t>(outcome.status)];
    const auto count_of = [&](BatchStatus status) { return counts[static_cast<std::size_t>(status)]; };
    std::string line = signal != 0 ? "interrupted; " : "";
    line += std::to_string(outcomes.size()) + " families: " +
            std::to_string(count_of(BatchStatus::aligned)) + " aligned";
    const auto add = [&](std::size_t count, std::string_view what) {
        if (count > 0) line += ", " + std::to_string(count) + " " + std::string(what);
    };
    add(count_of(BatchStatus::skipped), "skipped");
    add(count_of(BatchStatus::failed) + count_of(BatchStatus::input_error), "failed");
    add(count_of(BatchStatus::not_run), "not run");
    line += " (see " + std::string(status_path) + ")";
    return line;
}

// Writes the status table and the summary line; returns the exit status.
int report_outcomes(const BatchRun& run, const BatchOptions& batch, int signal) {
    const auto status_path =
        batch.status_path.empty() ? joined_path(batch.out_folder, "status.tsv") : batch.status_path;
    int exit_status = std::ranges::all_of(run.outcomes(), is_success, &FamilyOutcome::status)
                          ? kExitOk
                          : kExitFailure;
    if (auto failure =
            write_atomically(status_path, format_status_table(run.families(), run.outcomes()))) {
        print_line(failure->message);
        exit_status = kExitFailure;
    }
    if (!batch.quiet) {
        const auto line = summary_line(run.outcomes(), status_path, signal) + '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    return signal != 0 ? kExitSignalBase + signal : exit_status;
}

}  // namespace

std::string_view output_extension(io::OutputFormat format) noexcept {
    return kExtensions[static_cast<std::size_t>(format)];
}

int run_batch(const BatchOptions& batch, const AlignOptions& align) {
    auto loaded = load_families(batch);
    if (auto* failure = std::get_if<io::IoFailure>(&loaded)) {
        print_line(failure->message);
        return kExitCannotStart;
    }
    if (auto problem = output_folder_problem(batch)) {
        print_line(*problem);
        return kExitCannotStart;
    }
    auto opened = InterruptWatch::open();
    if (auto* failure = std::get_if<std::string>(&opened)) {
        print_line(*failure);
        return kExitCannotStart;
    }
    auto& watch = std::get<InterruptWatch>(opened);

    BatchRun run(std::get<std::vector<FamilyInputs>>(std::move(loaded)), batch, align);
    auto order = run.schedule();
    const auto total = order.size();
    BatchScheduler scheduler(
        std::move(order), thread_count(batch), batch.fail_fast,
        [&run](std::size_t i) { return run.run_one(i); }, [&watch] { watch.wake(); });
    const bool show_progress = !batch.quiet && ::isatty(STDERR_FILENO) == 1;
    const int signal = watch_families(run, scheduler, watch, show_progress, total);
    if (signal != 0) {
        scheduler.stop();
        run.close();
    }
    const int exit_status = report_outcomes(run, batch, signal);
    if (signal != 0 && !workers_left(scheduler, watch, kInterruptGrace)) {
        // A worker is still inside a family (a huge one, or a read that blocks).  Nothing
        // of it can reach the disk any more, so the command ends without waiting for it.
        std::fflush(stderr);
        std::_Exit(exit_status);
    }
    return exit_status;
}

}  // namespace velbrin::cli
