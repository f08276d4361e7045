#include "family/family_run.hpp"

#include <array>
#include <span>
#include <utility>

#include "family/column_filter.hpp"
#include "family/family_files.hpp"
#include "family/genetic_code_choice.hpp"
#include "family/record_pairing.hpp"
#include "family/terminal_stop.hpp"
#include "io/alignment_writer.hpp"

namespace velbrin::family {
namespace {

// The paired records as the core gets them: views of the read texts, in peptide order.
struct PairedFamily {
    codon::RecordMap records;
    std::size_t nucleotides = 0;
    std::size_t trimmed_stops = 0;
};

PairedFamily core_records(const FamilyFiles& files, const RecordPairs& pairs,
                          const AlignOptions& options, const codon::StopCodons& stops) {
    PairedFamily family;
    family.records.reserve(files.peptides.size());
    NormaliseScratch scratch;
    for (std::size_t record = 0; record < files.peptides.size(); ++record) {
        const io::SequenceRecord& peptide = files.peptides[record];
        const io::SequenceRecord& nucleotide = files.nucleotides[pairs.partner[record]];
        const std::string_view id = io::record_name(peptide.header);
        std::string_view bases = nucleotide.sequence;
        family.nucleotides += bases.size();
        if (!options.keep_terminal_stop) {
            if (const auto trimmed =
                    without_terminal_stop(peptide.sequence, bases, stops, scratch)) {
                bases = *trimmed;
                ++family.trimmed_stops;
            }
        }
        // Pairing has established which records belong together, so the core's header
        // check is given the peptide's ID on both sides.
        family.records.insert_new({id, {id, peptide.sequence}, {id, bases}});
    }
    return family;
}

// The line after a length report whose record only carries the stop codon its
// protein leaves out.
std::string terminal_stop_hint(const FamilyFiles& files, const RecordPairs& pairs,
                               const codon::StopCodons& stops) {
    NormaliseScratch scratch;
    for (std::size_t record = 0; record < files.peptides.size(); ++record) {
        const std::string_view peptide = files.peptides[record].sequence;
        const std::string_view bases = files.nucleotides[pairs.partner[record]].sequence;
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

// Rows of different lengths come from a peptide file whose records are not aligned;
// `kept` gives each row's record.
std::optional<std::string> unaligned_rows(std::span<const std::string_view> rows,
                                          std::span<const std::size_t> kept,
                                          const FamilyFiles& files) {
    for (std::size_t row = 1; row < rows.size(); ++row) {
        if (rows[row].size() == rows[0].size()) continue;
        return files.peptide_label +
               ": the peptide records are not aligned: " + files.peptide_location(kept[0]) +
               " has " + std::to_string(rows[0].size() / 3) + " columns, " +
               files.peptide_location(kept[row]) + " has " + std::to_string(rows[row].size() / 3);
    }
    return std::nullopt;
}

// The nucleotide input as reports name it: its file, or its files one after another.
std::string nucleotide_label(const FamilyFiles& files) {
    std::string label;
    for (const std::string& file : files.nucleotide_labels)
        label.append(label.empty() ? "" : ", ").append(file);
    return label;
}

// The records the policy did not drop, in order.
std::vector<std::size_t> kept_records(std::size_t count, const RecordPolicy& policy) {
    std::vector<std::size_t> kept;
    kept.reserve(count - policy.dropped_records());
    for (std::size_t record = 0; record < count; ++record) {
        if (!policy.dropped(record)) kept.push_back(record);
    }
    return kept;
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

namespace {

std::size_t nucleotides_read(const FamilyFiles& files) noexcept {
    std::size_t total = 0;
    for (const auto& record : files.nucleotides) total += record.sequence.size();
    return total;
}

}  // namespace

FamilyResult input_error(std::string message) {
    FamilyResult result;
    result.status = FamilyStatus::input_error;
    result.report = message + '\n';
    result.summary = std::move(message);
    return result;
}

FamilyResult run_family(const FamilyInputs& inputs, const AlignOptions& options,
                        const RowsDelivery& deliver) {
    const io::Result<FamilyFiles> read =
        read_family_files(inputs.peptide_path, inputs.nucleotide_paths, options.max_input_size);
    if (!read) return input_error(read.failure().message);
    const FamilyFiles& files = *read;

    // A family that fails after its files were read still reports what was read.
    const auto read_counts = [&](FamilyResult result, std::size_t nucleotides) {
        result.records = files.peptides.size();
        result.nucleotides = nucleotides;
        return result;
    };
    const io::Result<GeneticCodeChoice> code =
        choose_genetic_code(inputs.table.value_or(options.table), options.code_table_path);
    if (!code) return read_counts(input_error(code.failure().message), nucleotides_read(files));

    const io::Result<RecordPairs> pairs = pair_family(files, options);
    if (!pairs) return read_counts(input_error(pairs.failure().message), nucleotides_read(files));
    RecordPolicy policy(options.on_mismatch, code->starts, options.strict_start,
                        files.peptides.size());

    PairedFamily family = core_records(files, *pairs, options, code->stops);
    std::vector<codon::CodonRow> spans;
    codon::AlignmentCall call;
    call.rows = &spans;
    call.finished_labels = true;
    call.policy = &policy;
    codon::AlignmentOutcome outcome =
        code->align(files.peptide_label, nucleotide_label(files), std::move(family.records), call);
    if (auto* failure = std::get_if<codon::Failure>(&outcome)) {
        // A trailing stop is kept only under --keep-terminal-stop, so only then can it be
        // what failed the length check.
        std::string hint = failure->kind != codon::FailureKind::length || options.keep_terminal_stop
                               ? failure_hint(failure->kind, files, *pairs, code->stops, policy)
                               : "";
        FamilyResult result = core_failure(std::move(*failure), std::move(hint));
        record_policy_counts(result, policy, inputs, files, family.trimmed_stops);
        result.notes = pairing_notes(files, *pairs, options);
        return read_counts(std::move(result), family.nucleotides);
    }

    const std::vector<std::size_t> kept_order = kept_records(files.peptides.size(), policy);
    if (kept_order.empty() && !files.peptides.empty()) {
        FamilyResult result = no_record_left(policy.dropped_records());
        record_policy_counts(result, policy, inputs, files, family.trimmed_stops);
        result.notes = pairing_notes(files, *pairs, options);
        return read_counts(std::move(result), family.nucleotides);
    }
    const std::string_view text = std::get<std::string>(outcome);
    std::vector<std::string_view> rows;
    rows.reserve(spans.size());
    for (const codon::CodonRow& row : spans) rows.push_back(text.substr(row.offset, row.size));
    if (auto message = unaligned_rows(rows, kept_order, files))
        return read_counts(input_error(std::move(*message)), family.nucleotides);
    std::string filtered;
    const ColumnDrops drops{options.remove_stop_columns ? &code->stops : nullptr,
                            options.remove_gap_columns};
    const std::vector<std::string_view> kept = drop_columns(rows, drops, filtered);

    std::vector<io::AlignedRecord> aligned;
    aligned.reserve(kept.size());
    for (std::size_t row = 0; row < kept.size(); ++row) {
        aligned.push_back({files.peptides[kept_order[row]].header, kept[row]});
    }
    if (auto problem = io::unwritable_names(options.format, aligned))
        return input_error(std::move(*problem));
    FamilyResult result;
    record_policy_counts(result, policy, inputs, files, family.trimmed_stops);
    if (!deliver) {
        io::write_alignment(result.output, options.format, aligned, options.width);
    } else if (auto failure = deliver(aligned)) {
        return input_error(std::move(failure->message));
    }
    result.records = kept.size();
    result.columns = kept.empty() ? 0 : kept.front().size() / 3;
    result.nucleotides = family.nucleotides;
    result.skipped_nucleotide_records = pairs->skipped_nucleotides;
    result.notes = pairing_notes(files, *pairs, options);
    return result;
}

}  // namespace velbrin::family
