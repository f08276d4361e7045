#include "cli/batch_run.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/batch_families.hpp"
#include "cli/batch_scheduler.hpp"
#include "cli/command.hpp"
#include "cli/cut_short_input.hpp"
#include "cli/family_discovery.hpp"
#include "cli/family_manifest.hpp"
#include "cli/interrupt_watch.hpp"
#include "cli/leftover_temporaries.hpp"
#include "cli/output_placement.hpp"
#include "cli/progress_line.hpp"
#include "cli/shard_status.hpp"
#include "cli/status_table.hpp"
#include "io/input_file.hpp"

namespace velbrin::cli {

namespace {

using Clock = BatchFamilies::Clock;

// A batch whose families or output folder are unusable never starts: like a usage error.
constexpr int kExitCannotStart = kExitUsage;
constexpr std::string_view kStatusName = "status.tsv";
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

std::string status_path_of(const BatchOptions& batch) {
    if (!batch.status_path.empty()) return batch.status_path;
    const auto name = batch.shard ? shard_status_name(*batch.shard) : std::string(kStatusName);
    return (std::filesystem::path(batch.out_folder) / name).string();
}

// The names of the files a batch of `families` writes into its output folder, sorted.
std::vector<std::string> own_file_names(std::span<const family::FamilyInputs> families,
                                        const family::AlignOptions& align,
                                        const std::string& status_path) {
    std::vector<std::string> names;
    names.reserve(2 * families.size() + 1);
    for (const auto& family : families) {
        names.push_back(family.name + '.' + std::string(output_extension(align.format)));
        names.push_back(family.name + ".err");
    }
    names.push_back(std::filesystem::path(status_path).filename().string());
    std::ranges::sort(names);
    return names;
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

std::string started_workers_line(std::size_t started, std::size_t wanted, std::string_view reason) {
    std::string line = "started " + std::to_string(started) + " of " + std::to_string(wanted) +
                       " worker threads (" + std::string(reason) + "); ";
    line += started == 0 ? "the families run one at a time on the main thread"
                         : "the batch runs on those";
    return line;
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
                    const family::AlignOptions& align, const std::string& status_path, int signal) {
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
        if (auto failure = write_whole_file(
                align.mismatch_log_path, mismatch_log(families.outcomes()), align.sync_outputs)) {
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

// Joins the shard tables into status.tsv.
int merge_status(const BatchOptions& batch) {
    auto merged = merge_shard_tables(batch.merge_folder);
    std::optional<io::IoFailure> failure;
    if (auto* refused = std::get_if<io::IoFailure>(&merged)) {
        failure = std::move(*refused);
    } else {
        failure =
            write_whole_file((std::filesystem::path(batch.merge_folder) / kStatusName).string(),
                             std::get<std::string>(merged), /*durable=*/true);
    }
    if (!failure) return kExitOk;
    print_line(failure->message);
    return kExitFailure;
}

}  // namespace

int run_batch(const BatchOptions& batch, const family::AlignOptions& align) {
    if (!batch.merge_folder.empty()) return merge_status(batch);
    // Whatever an earlier run left half-written was last touched before this moment.
    const auto started = std::filesystem::file_time_type::clock::now();
    // Signals are watched from the start, so that even a message written to a closed
    // pipe while the families load ends the batch with its status table.
    auto opened = InterruptWatch::open();
    if (!opened) {
        print_line(opened.failure().message);
        return kExitCannotStart;
    }
    InterruptWatch& watch = *opened;
    // The temporaries of the families in flight are then left for the next run to clear.
    end_on_cut_short_input();
    io::Result<std::vector<family::FamilyInputs>> loaded = load_families(batch);
    if (!loaded) {
        print_line(loaded.failure().message);
        return kExitCannotStart;
    }
    if (batch.shard) *loaded = families_of_shard(std::move(*loaded), *batch.shard);
    const auto status_path = status_path_of(batch);
    if (auto problem = output_placement_problem(batch, *loaded, status_path)) {
        print_line(*problem);
        return kExitCannotStart;
    }
    {
        // A shard leaves the temporaries of the other shards, which may be running.
        const auto own =
            batch.shard ? own_file_names(*loaded, align, status_path) : std::vector<std::string>{};
        remove_leftover_temporaries(batch.out_folder, started, [&](std::string_view target) {
            return !batch.shard || std::ranges::binary_search(own, target);
        });
    }

    BatchFamilies families(std::move(loaded).value(), batch, align);
    auto order = families.schedule();
    const auto total = order.size();
    const auto threads = std::min(thread_count(batch), total);
    BatchScheduler scheduler(
        std::move(order), threads, batch.fail_fast,
        [&families](std::size_t i) { return families.run_one(i); }, [&watch] { watch.wake(); });
    int signal = 0;
    if (scheduler.workers() < threads) {
        print_line(started_workers_line(scheduler.workers(), threads, scheduler.start_failure()));
        if (scheduler.workers() == 0) {
            scheduler.work_here([&] { return (signal = watch.poll()) != 0; });
        }
    }
    const bool show_progress = !batch.quiet && ::isatty(STDERR_FILENO) == 1;
    if (signal == 0) signal = watch_families(families, scheduler, watch, show_progress, total);
    if (signal != 0) {
        scheduler.stop();
        families.close();
    }
    const int exit_status = report_outcomes(families, batch, align, status_path, signal);
    if (signal != 0 && !workers_left(scheduler, watch, kInterruptGrace)) {
        // A worker is still inside a family (a huge one, or a read that blocks).  Nothing
        // of it can reach the disk any more, so the command ends without waiting for it.
        std::fflush(stderr);
        std::_Exit(exit_status);
    }
    return exit_status;
}

}  // namespace velbrin::cli
