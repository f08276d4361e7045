#include "family/family_run.hpp"

#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <utility>

#include "diagnostics/internal_fault.hpp"
#include "family/column_filter.hpp"
#include "family/family_files.hpp"
#include "family/genetic_code_choice.hpp"
#include "family/record_pairing.hpp"
#include "family/record_walk.hpp"
#include "family/terminal_stop.hpp"
#include "io/alignment_writer.hpp"
#include "io/buffered_writer.hpp"
#include "io/page_buffer.hpp"

namespace velbrin::family {
namespace {

// The line after a length report whose record only carries the stop codon its
// protein leaves out.
std::string terminal_stop_hint(const FamilyFiles& files, const RecordPairs& pairs,
                               const codon::StopCodons& stops) {
    NormaliseScratch scratch;
    std::string peptide_text, nucleotide_text;
    for (std::size_t record = 0; record < files.peptides.size(); ++record) {
        const std::string_view peptide = io::sequence_of(files.peptides[record], peptide_text);
        const std::string_view bases =
            io::sequence_of(files.nucleotides[pairs.partner[record]], nucleotide_text);
        if (!lengths_disagree(peptide, bases, scratch)) continue;
        if (!without_terminal_stop(peptide, bases, stops, scratch)) return {};
        return "hint: the nucleotides of " +
               quoted(io::record_name(files.peptides[record].header)) +
               " end with a stop codon that its peptide leaves out; without "
               "--keep-terminal-stop it is trimmed\n";
    }
    return {};
}

// The line after an inconsistency report at a record's first codon, when that codon is
// one the code starts proteins with.
std::string start_codon_hint(const FamilyFiles& files, const RefusedStart& refused) {
    return "hint: the first codon of '" +
           std::string(io::record_name(files.peptides[refused.record].header)) + "', " +
           refused.codon +
           ", is a start codon of the genetic code; without --strict-start it is read as M\n";
}

std::string failure_hint(codon::FailureKind kind, const FamilyFiles& files,
                         const RecordPairs& pairs, const codon::StopCodons& stops,
                         const RecordPolicy& policy) {
    if (kind == codon::FailureKind::length) return terminal_stop_hint(files, pairs, stops);
    if (kind == codon::FailureKind::inconsistency && policy.refused_start())
        return start_codon_hint(files, *policy.refused_start());
    return {};
}

// What the policy accepted, masked and dropped, as counts and log rows.
void record_policy_counts(FamilyResult& result, const RecordPolicy& policy,
                          const FamilyInputs& inputs, const FamilyFiles& files,
                          std::size_t trimmed_stops) {
    result.trimmed_stops = trimmed_stops;
    result.alternative_starts = policy.alternative_starts();
    result.masked_codons = policy.masked_codons();
    result.dropped_records = policy.dropped_records();
    if (policy.entries().empty()) return;
    std::vector<std::string_view> ids;
    ids.reserve(files.peptides.size());
    for (const io::SequenceRecord& peptide : files.peptides)
        ids.push_back(io::record_name(peptide.header));
    const std::string_view family = inputs.name.empty() ? inputs.peptide_path : inputs.name;
    append_mismatch_rows(result.mismatch_rows, family, policy.entries(), ids);
}

FamilyResult core_failure(codon::Failure failure, std::string hint) {
    FamilyResult result;
    result.status = FamilyStatus::failed;
    result.kind = failure.kind;
    result.summary = std::string(failure.summary);
    result.report = std::move(failure.message);
    if (result.report.empty() || result.report.back() != '\n') result.report.push_back('\n');
    result.report.append(hint);
    return result;
}

// Rows of different lengths come from a peptide file whose records are not aligned.
std::string unaligned_rows(const FamilyFiles& files, std::size_t first, std::size_t first_size,
                           std::size_t other, std::size_t other_size) {
    return files.peptide_label +
           ": the peptide records are not aligned: " + files.peptide_location(first) + " has " +
           std::to_string(first_size / 3) + " columns, " + files.peptide_location(other) + " has " +
           std::to_string(other_size / 3);
}

// The nucleotide input as reports name it: its file, or its files one after another.
std::string nucleotide_label(const FamilyFiles& files) {
    std::string label;
    for (const std::string& file : files.nucleotide_labels)
        label.append(label.empty() ? "" : ", ").append(file);
    return label;
}

FamilyResult no_record_left(std::size_t dropped) {
    FamilyResult result;
    result.status = FamilyStatus::failed;
    result.summary = "no record left: all " + std::to_string(dropped) +
                     " records were dropped (see the mismatch log)";
    result.report = "velbrin: " + result.summary + '\n';
    return result;
}

// Formats that name rows by ID: two rows of one name are refused or mixed up downstream.
bool keys_rows_by_id(io::OutputFormat format) noexcept { return format != io::OutputFormat::fasta; }

constexpr std::array<std::string_view, 3> kLooseRuleNames{"rewritten characters", "a cut name",
                                                          "a frame suffix"};
static_assert(kLooseRuleNames.size() == std::size_t(LooseRule::frame_suffix) + 1);

std::vector<Note> pairing_notes(const FamilyFiles& files, const RecordPairs& pairs,
                                const AlignOptions& options) {
    std::vector<Note> notes;
    if (pairs.differing_ids > 0) {
        const std::size_t first = pairs.first_differing;
        notes.push_back(
            {0, "paired by order; " + std::to_string(pairs.differing_ids) + " of " +
                    std::to_string(pairs.partner.size()) + " pairs have different IDs (first: " +
                    quoted(pairing_id(files.peptides[first].header,
                                      options.peptide_id ? &*options.peptide_id : nullptr)) +
                    " with " +
                    quoted(pairing_id(files.nucleotides[first].header,
                                      options.nucleotide_id ? &*options.nucleotide_id : nullptr)) +
                    ")"});
    }
    if (pairs.nucleotides_without_id > 0) {
        notes.push_back({1, std::to_string(pairs.nucleotides_without_id) +
                                " nucleotide headers in which --nucleotide-id finds no ID left "
                                "unpaired"});
    }
    if (!pairs.loose.empty()) {
        std::array<std::size_t, kLooseRuleNames.size()> by_rule{};
        for (const LooseMatch& match : pairs.loose) ++by_rule[std::size_t(match.rule)];
        std::string text = std::to_string(pairs.loose.size()) + " pairs matched loosely:";
        for (std::size_t rule = 0; rule < by_rule.size(); ++rule) {
            if (by_rule[rule] == 0) continue;
            text.append(text.back() == ':' ? " " : ", ")
                .append(std::to_string(by_rule[rule]))
                .append(" by ")
                .append(kLooseRuleNames[rule]);
        }
        notes.push_back({1, std::move(text)});
        for (const LooseMatch& match : pairs.loose) {
            notes.push_back(
                {2, "paired " + quoted(io::record_name(files.peptides[match.peptide].header)) +
                        " with " +
                        quoted(io::record_name(files.nucleotides[match.nucleotide].header)) + " (" +
                        std::string(kLooseRuleNames[std::size_t(match.rule)]) + ")"});
        }
    }
    return notes;
}

io::Result<RecordPairs> pair_family(const FamilyFiles& files, const AlignOptions& options) {
    PairingRules rules;
    rules.mode = options.pairing;
    rules.peptide_id = options.peptide_id ? &*options.peptide_id : nullptr;
    rules.nucleotide_id = options.nucleotide_id ? &*options.nucleotide_id : nullptr;
    if (options.pair_map) {
        const io::Result<PairMap>& map = options.pair_map->get();
        if (!map) return map.failure();
        rules.map = &*map;
    }
    if (options.pairing == Pairing::by_order && keys_rows_by_id(options.format)) {
        if (auto repeated = repeated_peptide_id(files)) {
            repeated->message += "; paired by order, the output format would name two rows alike";
            return std::move(*repeated);
        }
    }
    return pair_records(files, rules);
}

}  // namespace

FamilyResult input_error(std::string message) {
    FamilyResult result;
    result.status = FamilyStatus::input_error;
    result.report = message + '\n';
    result.summary = std::move(message);
    return result;
}

namespace {

// The rows of a family kept until every record has passed, for the formats and filters
// that need them all before writing: one buffer, sized once at the first row for every
// record still to come.
class HeldRows {
public:
    void add(std::string_view row, std::size_t records_left) {
        if (count_ == 0) {
            row_size_ = row.size();
            buffer_ = io::PageBuffer(records_left * row_size_);
        }
        if (row.size() != row_size_) return;  // an unaligned family, which fails
        if (row_size_ > 0) std::memcpy(buffer_.data() + count_ * row_size_, row.data(), row_size_);
        ++count_;
    }
    void drop_columns(const ColumnDrops& drops) {
        row_size_ = family::drop_columns({buffer_.data(), count_ * row_size_}, row_size_, drops);
    }
    std::string_view row(std::size_t index) const noexcept {
        return {buffer_.data() + index * row_size_, row_size_};
    }
    std::size_t row_size() const noexcept { return row_size_; }

private:
    io::PageBuffer buffer_;
    std::size_t row_size_ = 0, count_ = 0;
};

// How the rows reach the output: written while the records are checked (when the
// output drops what it got unless finished, and the format needs no counts), held until
// all have passed, or written by a second walk once all have passed.
enum class Writing { while_checking, held, second_walk };

Writing writing_for(const AlignOptions& options, const OutputSink& sink) noexcept {
    if (options.remove_stop_columns || options.remove_gap_columns ||
        !io::writes_row_by_row(options.format))
        return Writing::held;
    if (sink.discards_unfinished && options.format == io::OutputFormat::fasta)
        return Writing::while_checking;
    return Writing::second_walk;
}

// The first walk's findings: the records kept, in order, and the size of their rows.
struct CheckedRecords {
    std::vector<std::size_t> kept;
    std::vector<bool> placed;  // per kept record: its row is its texts as given
    std::size_t row_size = 0;
    std::optional<std::string> unaligned;  // rows of different sizes
    std::optional<codon::Failure> failure;
    std::size_t trimmed_stops = 0;
};

CheckedRecords check_records(const FamilyFiles& files, RecordWalk& walk, RecordPolicy& policy,
                             HeldRows* held, io::RowWriter* writer) {
    CheckedRecords checked;
    const std::size_t records = files.peptides.size();
    checked.kept.reserve(records);
    checked.placed.reserve(records);
    for (std::size_t record = 0; record < records; ++record) {
        auto outcome = walk.align(record, &policy);
        if (auto* failure = std::get_if<codon::Failure>(&outcome)) {
            checked.failure = std::move(*failure);
            checked.trimmed_stops = walk.trimmed_stops() + walk.trims_from(record + 1);
            return checked;
        }
        const auto written = std::get<codon::RecordAligner::Row>(outcome);
        if (written == codon::RecordAligner::Row::dropped) continue;
        const std::string_view row = walk.row();
        if (checked.kept.empty()) {
            checked.row_size = row.size();
        } else if (row.size() != checked.row_size && !checked.unaligned) {
            checked.unaligned =
                unaligned_rows(files, checked.kept.front(), checked.row_size, record, row.size());
        }
        checked.kept.push_back(record);
        checked.placed.push_back(written == codon::RecordAligner::Row::placed);
        if (held) held->add(row, records - record);
        if (writer) writer->row({files.peptides[record].header, row});
    }
    checked.trimmed_stops = walk.trimmed_stops();
    return checked;
}

// The rows once more, now that every record has passed.  A row that was its texts as
// given is placed again without a check; any other is walked again, and the same walk
// under a fresh policy gives the same row.
void write_second_walk(const FamilyFiles& files, RecordWalk& walk, RecordPolicy policy,
                       const CheckedRecords& checked, io::RowWriter& writer) {
    walk.start_again();
    for (std::size_t kept = 0; kept < checked.kept.size(); ++kept) {
        const std::size_t record = checked.kept[kept];
        bool written;
        if (checked.placed[kept]) {
            written = walk.place(record);
        } else {
            written =
                std::holds_alternative<codon::RecordAligner::Row>(walk.align(record, &policy));
        }
        if (!written) throw diagnostics::InternalFault("a record that passed failed when written");
        writer.row({files.peptides[record].header, walk.row()});
    }
    writer.finish();
}

void write_held(const FamilyFiles& files, const AlignOptions& options, const HeldRows& held,
                const CheckedRecords& checked, io::BufferedWriter& out) {
    std::vector<io::AlignedRecord> aligned;
    aligned.reserve(checked.kept.size());
    for (std::size_t row = 0; row < checked.kept.size(); ++row)
        aligned.push_back({files.peptides[checked.kept[row]].header, held.row(row)});
    io::write_alignment(out, options.format, aligned, options.width);
}

std::optional<std::string> unwritable_names(const FamilyFiles& files, io::OutputFormat format,
                                            const std::vector<std::size_t>& kept) {
    std::vector<io::AlignedRecord> named;
    named.reserve(kept.size());
    for (const std::size_t record : kept) named.push_back({files.peptides[record].header, {}});
    return io::unwritable_names(format, named);
}

}  // namespace

FamilyResult run_family(const FamilyInputs& inputs, const AlignOptions& options,
                        const OutputSink* sink) {
    const io::Result<FamilyFiles> read =
        read_family_files(inputs.peptide_path, inputs.nucleotide_paths, options.max_input_size);
    if (!read) return input_error(read.failure().message);
    const FamilyFiles& files = *read;

    std::size_t nucleotides = 0;
    // A family that fails after its files were read still reports what was read: every
    // nucleotide until the records are paired, then those paired.
    const auto read_counts = [&](FamilyResult result) {
        result.records = files.peptides.size();
        result.nucleotides = nucleotides;
        return result;
    };
    const auto unpaired_failure = [&](const io::Failure& failure) {
        for (const io::SequenceRecord& record : files.nucleotides) nucleotides += record.length();
        return read_counts(input_error(failure.message));
    };
    const io::Result<GeneticCodeChoice> code =
        choose_genetic_code(inputs.table.value_or(options.table), options.code_table_path);
    if (!code) return unpaired_failure(code.failure());
    const io::Result<RecordPairs> pairs = pair_family(files, options);
    if (!pairs) return unpaired_failure(pairs.failure());
    nucleotides = paired_nucleotides(files, *pairs);
    const auto failed = [&](FamilyResult result, const RecordPolicy& policy,
                            std::size_t trimmed_stops) {
        record_policy_counts(result, policy, inputs, files, trimmed_stops);
        result.notes = pairing_notes(files, *pairs, options);
        return read_counts(std::move(result));
    };
    const auto new_policy = [&] {
        return RecordPolicy(options.on_mismatch, code->starts, options.strict_start,
                            files.peptides.size());
    };
    RecordPolicy policy = new_policy();
    auto made = code->record_aligner(files.peptide_label, nucleotide_label(files));
    if (auto* failure = std::get_if<codon::Failure>(&made))
        return failed(core_failure(std::move(*failure), ""), policy, 0);
    RecordWalk walk(files, *pairs, code->stops, options.keep_terminal_stop,
                    std::get<codon::RecordAligner>(made));

    std::string collected;  // the output, without a sink
    const OutputSink collecting{
        [&collected](std::string_view bytes) -> std::optional<io::IoFailure> {
            collected.append(bytes);
            return std::nullopt;
        },
        {},
        true};
    const OutputSink& output = sink ? *sink : collecting;
    io::BufferedWriter out(output.write);
    const Writing writing = writing_for(options, output);
    HeldRows held;
    std::optional<io::RowWriter> early;
    if (writing == Writing::while_checking) early.emplace(out, options.format, options.width, 0, 0);

    CheckedRecords checked = check_records(
        files, walk, policy, writing == Writing::held ? &held : nullptr, early ? &*early : nullptr);
    if (checked.failure) {
        // A trailing stop is kept only under --keep-terminal-stop, so only then can it be
        // what failed the length check.
        std::string hint =
            checked.failure->kind != codon::FailureKind::length || options.keep_terminal_stop
                ? failure_hint(checked.failure->kind, files, *pairs, code->stops, policy)
                : "";
        return failed(core_failure(std::move(*checked.failure), std::move(hint)), policy,
                      checked.trimmed_stops);
    }
    if (checked.kept.empty())
        return failed(no_record_left(policy.dropped_records()), policy, checked.trimmed_stops);
    if (checked.unaligned) return read_counts(input_error(std::move(*checked.unaligned)));
    if (auto problem = unwritable_names(files, options.format, checked.kept))
        return input_error(std::move(*problem));
    if (auto written = files.written_meanwhile())
        return read_counts(input_error(std::move(*written)));

    std::size_t row_size = checked.row_size;
    switch (writing) {
        case Writing::while_checking: early->finish(); break;
        case Writing::held:
            held.drop_columns(
                {options.remove_stop_columns ? &code->stops : nullptr, options.remove_gap_columns});
            row_size = held.row_size();
            write_held(files, options, held, checked, out);
            break;
        case Writing::second_walk: {
            io::RowWriter writer(out, options.format, options.width, checked.kept.size(), row_size);
            write_second_walk(files, walk, new_policy(), checked, writer);
            break;
        }
    }
    std::optional<io::IoFailure> failure = out.finish();
    if (!failure && output.finish) failure = output.finish();
    if (failure) return input_error(std::move(failure->message));

    FamilyResult result;
    record_policy_counts(result, policy, inputs, files, checked.trimmed_stops);
    result.output = std::move(collected);
    result.records = checked.kept.size();
    result.columns = row_size / 3;
    result.nucleotides = nucleotides;
    result.skipped_nucleotide_records = pairs->skipped_nucleotides;
    result.notes = pairing_notes(files, *pairs, options);
    return result;
}

}  // namespace velbrin::family
