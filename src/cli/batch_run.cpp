#include "cli/batch_run.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/batch_families.hpp"
#include "cli/batch_scheduler.hpp"
#include "cli/command.hpp"
#include "cli/family_discovery.hpp"
#include "cli/family_manifest.hpp"
#include "cli/interrupt_watch.hpp"
#include "cli/progress_line.hpp"
#include "cli/status_table.hpp"
#include "io/input_file.hpp"

namespace velbrin::cli {

namespace {

using Clock = BatchFamilies::Clock;

// A batch whose families or output folder are unusable never starts: like a usage error.
constexpr int kExitCannotStart = kExitUsage;
constexpr int kExitSignalBase = 128;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// How long an interrupted batch waits for the families under way before it ends anyway.
constexpr auto kInterruptGrace = std::chrono::milliseconds(250);

void print_line(std::string_view text) {
    std::string line("velbrin batch: ");
    line.append(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string folder_of(std::string_view path) {
    if (path == "-") return {};
    return std::filesystem::path(path).parent_path().string();
}

io::Result<std::vector<family::FamilyInputs>> load_manifest(std::string_view path) {
    io::Result<std::string> text = io::read_input(path);
    if (!text) return std::move(text).failure();
    return parse_manifest(*text, io::input_label(path), folder_of(path));
}

io::Result<std::vector<family::FamilyInputs>> load_families(const BatchOptions& batch) {
    if (!batch.manifest_path.empty()) return load_manifest(batch.manifest_path);
    io::Result<DiscoveredFamilies> found =
        discover_families(batch.peptide_folder, batch.nucleotide_folder);
    if (!found) return std::move(found).failure();
    DiscoveredFamilies& discovered = *found;
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

std::size_t thread_count(const BatchOptions& batch) {
    if (batch.threads > 0) return batch.threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

// Waits for the families to run, drawing progress; returns the number of the signal
// that interrupted them, or 0.
int watch_families(const BatchFamilies& families, BatchScheduler& scheduler, InterruptWatch& watch,
                   bool show_progress, std::size_t total) {
    const auto started = Clock::now();
    ProgressLine progress;
    int signal = 0;
    while (signal == 0 && !scheduler.finished()) {
        signal = watch.wait(show_progress ? std::optional(kProgressInterval) : std::nullopt);
        if (show_progress) progress.draw(families.progress(total, started));
    }
    if (signal == 0) signal = watch.poll();
    // The last count is drawn too, so even a run that ended before the first tick shows
    // its line before it is erased.
    if (show_progress) progress.draw(families.progress(total, started));
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
    const auto count_of = [&](BatchStatus status) {
        return counts[static_cast<std::size_t>(status)];
    };
    std::string line = signal != 0 ? "interrupted; " : "";
    line += std::to_string(outcomes.size()) +
            " families: " + std::to_string(count_of(BatchStatus::aligned)) + " aligned";
    const auto add = [&](std::size_t count, std::string_view what) {
        if (count > 0) line += ", " + std::to_string(count) + " " + std::string(what);
    };
    add(count_of(BatchStatus::skipped), "skipped");
    add(count_of(BatchStatus::failed) + count_of(BatchStatus::input_error), "failed");
    add(count_of(BatchStatus::not_run), "not run");
    line += " (see " + std::string(status_path) + ")";
    std::size_t masked = 0, dropped = 0;
    for (const auto& outcome : outcomes) {
        masked += outcome.masked_codons;
        dropped += outcome.dropped_records;
    }
    if (masked + dropped > 0) {
        line += "; " + std::to_string(masked) + " codon(s) masked, " + std::to_string(dropped) +
                " record(s) dropped";
    }
    return line;
}

// One log for the run: the heading, then each family's rows in the input's order.
std::string mismatch_log(const std::vector<FamilyOutcome>& outcomes) {
    std::string log(family::kMismatchLogHeading);
    for (const auto& outcome : outcomes) log += outcome.mismatch_rows;
    return log;
}

// Writes the status table, the mismatch log and the summary line; returns the exit
// status.
int report_outcomes(const BatchFamilies& families, const BatchOptions& batch,
                    const family::AlignOptions& align, int signal) {
    const auto status_path = batch.status_path.empty()
                                 ? (std::filesystem::path(batch.out_folder) / "status.tsv").string()
                                 : batch.status_path;
    int exit_status = std::ranges::all_of(families.outcomes(), is_success, &FamilyOutcome::status)
                          ? kExitOk
                          : kExitFailure;
    if (auto failure = write_whole_file(
            status_path, format_status_table(families.families(), families.outcomes()),
            align.sync_outputs)) {
        print_line(failure->message);
        exit_status = kExitFailure;
    }
    if (!align.mismatch_log_path.empty()) {
        if (auto failure =
                write_whole_file(align.mismatch_log_path, mismatch_log(families.outcomes()),
                                 align.sync_outputs)) {
            print_line(failure->message);
            exit_status = kExitFailure;
        }
    }
    if (!batch.quiet) {
        const auto line = summary_line(families.outcomes(), status_path, signal) + '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    return signal != 0 ? kExitSignalBase + signal : exit_status;
}

}  // namespace

int run_batch(const BatchOptions& batch, const family::AlignOptions& align) {
    io::Result<std::vector<family::FamilyInputs>> loaded = load_families(batch);
    if (!loaded) {
        print_line(loaded.failure().message);
        return kExitCannotStart;
    }
    if (auto problem = output_folder_problem(batch)) {
        print_line(*problem);
        return kExitCannotStart;
    }
    auto opened = InterruptWatch::open();
    if (!opened) {
        print_line(opened.failure().message);
        return kExitCannotStart;
    }
    InterruptWatch& watch = *opened;

    BatchFamilies families(std::move(loaded).value(), batch, align);
    auto order = families.schedule();
    const auto total = order.size();
    BatchScheduler scheduler(
        std::move(order), thread_count(batch), batch.fail_fast,
        [&families](std::size_t i) { return families.run_one(i); }, [&watch] { watch.wake(); });
    const bool show_progress = !batch.quiet && ::isatty(STDERR_FILENO) == 1;
    const int signal = watch_families(families, scheduler, watch, show_progress, total);
    if (signal != 0) {
        scheduler.stop();
        families.close();
    }
    const int exit_status = report_outcomes(families, batch, align, signal);
    if (signal != 0 && !workers_left(scheduler, watch, kInterruptGrace)) {
        // A worker is still inside a family (a huge one, or a read that blocks).  Nothing
        // of it can reach the disk any more, so the command ends without waiting for it.
        std::fflush(stderr);
        std::_Exit(exit_status);
    }
    return exit_status;
}

}  // namespace velbrin::cli
