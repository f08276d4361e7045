#include "cli/batch_families.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <shared_mutex>
#include <string>
#include <system_error>
#include <utility>

#include "cli/batch_scheduler.hpp"
#include "io/atomic_output.hpp"
#include "io/result.hpp"

namespace velbrin::cli {

namespace {

std::string joined_path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

std::uint64_t input_size(const family::FamilyInputs& family) {
    std::error_code error;
    auto size_of = [&](const std::string& path) -> std::uint64_t {
        const auto size = std::filesystem::file_size(path, error);
        return error ? 0 : size;
    };
    std::uint64_t total = size_of(family.peptide_path);
    for (const auto& path : family.nucleotide_paths) total += size_of(path);
    return total;
}

family::FamilyResult failure_of_exception(std::string_view what) noexcept {
    try {
        return family::input_error(std::string(what));
    } catch (const std::bad_alloc&) {
        family::FamilyResult result;  // the status alone still tells the family did not align
        result.status = family::FamilyStatus::input_error;
        return result;
    }
}

// The notes every run shows, such as pairs by order whose IDs differ, named by family.
void print_notes(std::string_view family_name, const family::FamilyResult& result) {
    for (const family::Note& note : result.notes) {
        if (note.verbosity > 0) continue;
        std::string line("velbrin batch: ");
        line.append(family_name).append(": ").append(note.text).push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

void record(FamilyOutcome& outcome, const family::FamilyResult& result) {
    switch (result.status) {
        case family::FamilyStatus::aligned: outcome.status = BatchStatus::aligned; break;
        case family::FamilyStatus::failed: outcome.status = BatchStatus::failed; break;
        case family::FamilyStatus::input_error: outcome.status = BatchStatus::input_error; break;
    }
    outcome.kind = result.kind;
    outcome.records = result.records;
    outcome.columns = result.columns;
    outcome.nucleotides = result.nucleotides;
    outcome.summary = result.summary;
    outcome.trimmed_stops = result.trimmed_stops;
    outcome.alternative_starts = result.alternative_starts;
    outcome.masked_codons = result.masked_codons;
    outcome.dropped_records = result.dropped_records;
    outcome.mismatch_rows = result.mismatch_rows;
}

// The output file of one family: created at its first bytes and put in place at the end,
// only while the families are open, which they stay until it is done.  Unless finished,
// it goes when this object does.
class FamilyOutputFile {
public:
    FamilyOutputFile(std::shared_mutex& delivery, const bool& closed, std::string path,
                     bool durable)
        : delivery_(delivery), closed_(closed), path_(std::move(path)), durable_(durable) {}

    std::optional<io::IoFailure> write(std::string_view bytes) {
        if (auto failure = create()) return failure;
        return file_->write(bytes);
    }
    std::optional<io::IoFailure> finish() {
        if (auto failure = create()) return failure;
        return file_->commit();
    }

private:
    std::optional<io::IoFailure> create() {
        if (file_) return std::nullopt;
        open_ = std::shared_lock(delivery_);
        if (closed_) return io::IoFailure{"the batch was stopped"};
        io::Result<io::AtomicOutput> created = io::AtomicOutput::create(path_);
        if (!created) return std::move(created).failure();
        file_.emplace(std::move(created).value());
        file_->set_sync_on_commit(durable_);
        return std::nullopt;
    }

    std::shared_mutex& delivery_;
    const bool& closed_;
    std::string path_;
    bool durable_;
    std::shared_lock<std::shared_mutex> open_;  // declared before file_, so released after it
    std::optional<io::AtomicOutput> file_;
};

}  // namespace

std::optional<io::IoFailure> write_whole_file(std::string path, std::string_view content,
                                              bool durable) {
    io::Result<io::AtomicOutput> created = io::AtomicOutput::create(std::move(path));
    if (!created) return std::move(created).failure();
    created->set_sync_on_commit(durable);
    if (auto failure = created->write(content)) return failure;
    return created->commit();
}

std::string_view output_extension(io::OutputFormat format) noexcept {
    return io::output_format_info(format).extension;
}

BatchFamilies::BatchFamilies(std::vector<family::FamilyInputs> families, const BatchOptions& batch,
                             const family::AlignOptions& align)
    : families_(std::move(families)),
      outcomes_(families_.size()),
      sizes_(families_.size()),
      batch_(batch),
      align_(align) {
    for (std::size_t i = 0; i < families_.size(); ++i) sizes_[i] = input_size(families_[i]);
}

std::vector<std::size_t> BatchFamilies::schedule() {
    std::vector<std::size_t> order;
    order.reserve(families_.size());
    for (const auto i : largest_first(sizes_)) {
        if (batch_.skip_existing && output_is_current(i)) {
            outcomes_[i].status = BatchStatus::skipped;
            outcomes_[i].summary = "output exists";
            continue;
        }
        order.push_back(i);
        bytes_total_ += sizes_[i];
    }
    return order;
}

bool BatchFamilies::run_one(std::size_t i) noexcept {
    const auto started = Clock::now();
    family::FamilyResult result;
    try {
        result = align(i);
    } catch (const std::bad_alloc&) {
        result = failure_of_exception("out of memory");
    } catch (const std::exception& exception) {
        result = failure_of_exception(exception.what());
    }
    std::shared_lock open(delivery_);
    if (closed_) return true;
    if (!batch_.quiet) print_notes(families_[i].name, result);
    auto& outcome = outcomes_[i];
    try {
        record(outcome, keep_one_kind(i, std::move(result)));
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

void BatchFamilies::close() {
    std::unique_lock closing(delivery_);
    closed_ = true;
}

ProgressCounts BatchFamilies::progress(std::size_t total, Clock::time_point started) const {
    ProgressCounts counts;
    counts.done = done_.load(std::memory_order_relaxed);
    counts.failed = failed_.load(std::memory_order_relaxed);
    counts.total = total;
    counts.bytes_done = bytes_done_.load(std::memory_order_relaxed);
    counts.bytes_total = bytes_total_;
    counts.elapsed = Clock::now() - started;
    return counts;
}

std::string BatchFamilies::output_path(std::size_t i) const {
    auto name = families_[i].name;
    name.push_back('.');
    name.append(output_extension(align_.format));
    return joined_path(batch_.out_folder, name);
}

std::string BatchFamilies::report_path(std::size_t i) const {
    return joined_path(batch_.out_folder, families_[i].name + ".err");
}

// Aligns family `i` and writes its output, as it is formatted, into its output file.
family::FamilyResult BatchFamilies::align(std::size_t i) {
    const family::FamilyInputs& family = families_[i];
    if (family.nucleotide_paths.empty()) {
        return family::input_error("no nucleotide file named after the family '" + family.name +
                                   "' in " + batch_.nucleotide_folder);
    }
    FamilyOutputFile output(delivery_, closed_, output_path(i), align_.sync_outputs);
    const family::OutputSink sink{[&output](std::string_view bytes) { return output.write(bytes); },
                                  [&output] { return output.finish(); }, true};
    return family::run_family(family, align_, &sink);
}

// Writes the failure's report; what an earlier run left of the other kind is removed, so
// the folder never holds both an output and a report of one family, and every file in it
// tells what became of the family in this run.
family::FamilyResult BatchFamilies::keep_one_kind(std::size_t i,
                                                  family::FamilyResult result) const {
    std::error_code ignored;
    if (result.status == family::FamilyStatus::aligned) {
        std::filesystem::remove(report_path(i), ignored);
        return result;
    }
    std::filesystem::remove(output_path(i), ignored);
    if (auto failure = write_whole_file(report_path(i), result.report, align_.sync_outputs)) {
        result.summary += " (its report could not be written: " + failure->message + ")";
    }
    return result;
}

// An output counts as done only when it is at least as new as every input and no report
// of a failure lies beside it (left by a run that could not remove the output).
bool BatchFamilies::output_is_current(std::size_t i) const {
    std::error_code error;
    if (std::filesystem::exists(report_path(i), error) || error) return false;
    const auto written = std::filesystem::last_write_time(output_path(i), error);
    if (error) return false;
    const auto& family = families_[i];
    const auto newer = [&](const std::string& input) {
        const auto changed = std::filesystem::last_write_time(input, error);
        return !error && changed <= written;
    };
    return newer(family.peptide_path) && std::ranges::all_of(family.nucleotide_paths, newer);
}

}  // namespace velbrin::cli
