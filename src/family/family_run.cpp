#include "family/family_run.hpp"

#include <utility>

#include "family/column_filter.hpp"
#include "family/family_files.hpp"
#include "family/genetic_code_choice.hpp"
#include "family/record_pairing.hpp"
#include "family/terminal_stop.hpp"
#include "io/alignment_writer.hpp"

namespace velbrin::family {
namespace {

FamilyResult input_error(std::string message) {
    FamilyResult result;
    result.status = FamilyStatus::input_error;
    result.summary = message;
    result.report = std::move(message) + '\n';
    return result;
}

// The paired records as the core gets them: views of the read texts, in peptide order.
struct PairedFamily {
    codon::RecordMap records;
    std::size_t nucleotides = 0;
};

PairedFamily pair_records(const FamilyFiles& files, const RecordPairs& pairs,
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
        if (options.trim_terminal_stop) {
            if (const auto trimmed = without_terminal_stop(peptide.sequence, bases, stops, scratch))
                bases = *trimmed;
        }
        // Pairing by ID has established identity, so the core compares the IDs; by
        // order, the full headers, so that a misordered pair fails the header check.
        const bool by_id = options.pairing == Pairing::by_id;
        const std::string_view peptide_header = by_id ? id : std::string_view(peptide.header);
        const std::string_view nucleotide_header =
            by_id ? io::record_name(nucleotide.header) : std::string_view(nucleotide.header);
        family.records.insert_new(
            {id, {peptide_header, peptide.sequence}, {nucleotide_header, bases}});
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
        return "hint: the nucleotides of '" +
               std::string(io::record_name(files.peptides[record].header)) +
               "' end with a stop codon that its peptide leaves out; --trim-terminal-stop drops "
               "it\n";
    }
    return {};
}

// "Peptide and nucleotide lengths are inconsistent." from the report's summary line.
std::string summary_line(std::string_view report) {
    constexpr std::string_view kMarker = "ERROR: ";
    std::size_t start = report.find(kMarker);
    start = start == std::string_view::npos ? 0 : start + kMarker.size();
    const std::size_t end = report.find('\n', start);
    return std::string(report.substr(start, end == std::string_view::npos ? end : end - start));
}

FamilyResult core_failure(codon::Failure failure, std::string hint) {
    FamilyResult result;
    result.status = FamilyStatus::failed;
    result.kind = failure.kind;
    result.summary = summary_line(failure.message);
    result.report = std::move(failure.message);
    if (result.report.empty() || result.report.back() != '\n') result.report.push_back('\n');
    result.report.append(hint);
    return result;
}

// The codon rows of the core's text: each record's key line (an ID: no line feed in
// it) is followed by its codon line.
std::vector<std::string_view> codon_rows(std::string_view text, std::size_t count) {
    std::vector<std::string_view> rows;
    rows.reserve(count);
    std::size_t at = 0;
    for (std::size_t record = 0; record < count; ++record) {
        at = text.find('\n', at) + 1;
        const std::size_t end = text.find('\n', at);
        rows.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return rows;
}

// Rows of different lengths come from a peptide file whose records are not aligned.
std::optional<std::string> unaligned_rows(std::span<const std::string_view> rows,
                                          const FamilyFiles& files) {
    for (std::size_t record = 1; record < rows.size(); ++record) {
        if (rows[record].size() == rows[0].size()) continue;
        return files.peptide_label +
               ": the peptide records are not aligned: " + files.peptide_location(0) + " has " +
               std::to_string(rows[0].size() / 3) + " columns, " + files.peptide_location(record) +
               " has " + std::to_string(rows[record].size() / 3);
    }
    return std::nullopt;
}

std::size_t nucleotides_read(const FamilyFiles& files) noexcept {
    std::size_t total = 0;
    for (const auto& record : files.nucleotides) total += record.sequence.size();
    return total;
}

// The path the core's reports label an input by; "" (a default label) for standard
// input or for several nucleotide files.
std::string_view report_path(std::string_view path) noexcept {
    return path == "-" ? std::string_view() : path;
}
std::string_view report_path(const std::vector<std::string>& paths) noexcept {
    return paths.size() == 1 ? report_path(paths.front()) : std::string_view();
}

}  // namespace

FamilyResult run_family(const FamilyInputs& inputs, const AlignOptions& options) {
    auto read = read_family_files(inputs.peptide_path, inputs.nucleotide_paths);
    if (auto* failure = std::get_if<io::IoFailure>(&read))
        return input_error(std::move(failure->message));
    const FamilyFiles& files = std::get<FamilyFiles>(read);

    auto chosen =
        choose_genetic_code(inputs.table.value_or(options.table), options.code_table_path);
    // A family that fails after its files were read still reports what was read.
    const auto read_counts = [&](FamilyResult result, std::size_t nucleotides) {
        result.records = files.peptides.size();
        result.nucleotides = nucleotides;
        return result;
    };
    if (auto* failure = std::get_if<io::IoFailure>(&chosen))
        return read_counts(input_error(std::move(failure->message)), nucleotides_read(files));
    const GeneticCodeChoice& code = std::get<GeneticCodeChoice>(chosen);

    auto paired = options.pairing == Pairing::by_id ? pair_by_id(files) : pair_by_order(files);
    if (auto* failure = std::get_if<PairingFailure>(&paired))
        return read_counts(input_error(std::move(failure->message)), nucleotides_read(files));
    const RecordPairs& pairs = std::get<RecordPairs>(paired);

    PairedFamily family = pair_records(files, pairs, options, code.stops);

    codon::AlignmentOutcome outcome =
        code.align(report_path(inputs.peptide_path), report_path(inputs.nucleotide_paths),
                   std::move(family.records));
    if (auto* failure = std::get_if<codon::Failure>(&outcome)) {
        const bool hint =
            failure->kind == codon::FailureKind::length && !options.trim_terminal_stop;
        return read_counts(core_failure(std::move(*failure),
                                        hint ? terminal_stop_hint(files, pairs, code.stops) : ""),
                           family.nucleotides);
    }

    const std::string& text = std::get<std::string>(outcome);
    const std::vector<std::string_view> rows = codon_rows(text, files.peptides.size());
    if (auto message = unaligned_rows(rows, files))
        return read_counts(input_error(std::move(*message)), family.nucleotides);
    std::string filtered;
    const ColumnDrops drops{options.remove_stop_columns ? &code.stops : nullptr,
                            options.remove_gap_columns};
    const std::vector<std::string_view> kept = drop_columns(rows, drops, filtered);

    std::vector<io::AlignedRecord> aligned;
    aligned.reserve(kept.size());
    for (std::size_t record = 0; record < kept.size(); ++record) {
        aligned.push_back({files.peptides[record].header, kept[record]});
    }
    FamilyResult result;
    io::write_alignment(result.output, options.format, aligned, options.width);
    result.records = kept.size();
    result.columns = kept.empty() ? 0 : kept.front().size() / 3;
    result.nucleotides = family.nucleotides;
    result.skipped_nucleotide_records = pairs.skipped_nucleotides;
    return result;
}

}  // namespace velbrin::family
