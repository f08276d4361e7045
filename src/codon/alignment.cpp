#include "codon/alignment.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "codon/amino_acid_translator.hpp"
#include "codon/codon_acceptance.hpp"
#include "codon/codon_walk.hpp"
#include "codon/custom_ambiguity.hpp"
#include "diagnostics/error_block.hpp"
#include "diagnostics/internal_fault.hpp"
#include "diagnostics/source_label.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

// Acceptance under an NCBI table string.
class NcbiRules {
public:
    explicit NcbiRules(std::string_view table) : table_(table), masks_(ncbi_acceptance(table)) {}

    const AcceptanceMasks& masks() const noexcept { return masks_; }
    // The masks hold every residue a normalised peptide has, so a resolution the mask
    // accepts is one whose table letter the residue's signature admits.
    bool accepts_ambiguous(char residue, std::string_view codon) const noexcept {
        return (resolution_codons(codon) & masks_.accepted[std::uint8_t(residue) & 0x7F]) != 0;
    }
    void report_uncovered(char, std::size_t, const AminoAcidTranslator&) const noexcept {
    }  // covers all
    GeneticCodeRef code() const noexcept { return NcbiCode{table_}; }

private:
    std::string_view table_;
    AcceptanceMasks masks_;
};

std::string missing_amino_acid_report(char residue, std::size_t column,
                                      const CustomCodonTable& table) {
    std::string details;
    details.append("Amino acid         : '").push_back(residue);
    details.append("'\nAlignment position : ").append(std::to_string(column + 1));
    details.append("\nValid symbols      : ").append(table.valid_symbol_list());
    return diagnostics::format_error_block(diagnostics::kMissingAminoAcid, details);
}

// Acceptance against a caller-supplied table: an equal entry, else an entry that the
// codon's ambiguity letters cover.
class CustomRules {
public:
    explicit CustomRules(const CustomCodonTable& table)
        : table_(table), masks_(custom_acceptance(table)), ambiguity_(table) {}

    const AcceptanceMasks& masks() const noexcept { return masks_; }
    bool accepts_ambiguous(char residue, std::string_view codon) const noexcept {
        return ambiguity_.accepts(residue, codon);
    }
    void report_uncovered(char residue, std::size_t column,
                          const AminoAcidTranslator& record) const {
        record.record_error(missing_amino_acid_report(residue, column, table_),
                            FailureKind::unknown_residue);
    }
    GeneticCodeRef code() const noexcept { return CustomCode{&table_}; }

private:
    const CustomCodonTable& table_;
    AcceptanceMasks masks_;
    CustomAmbiguity ambiguity_;
};

// The summary line each kind's report carries.
constexpr std::string_view summary_of(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::header: return diagnostics::kHeaderMismatch;
        case FailureKind::length: return diagnostics::kLengthMismatch;
        case FailureKind::inconsistency: return diagnostics::kSequenceMismatch;
        case FailureKind::unknown_residue: return diagnostics::kMissingAminoAcid;
        case FailureKind::table: return diagnostics::kInvalidTableNumber;
    }
    return diagnostics::kSequenceMismatch;
}

Failure failure(std::string report, FailureKind kind) {
    return Failure{std::move(report), kind, summary_of(kind)};
}

Failure record_failure(const AminoAcidTranslator& record) {
    if (!record.error().empty()) return failure(record.error(), record.error_kind());
    return failure(diagnostics::format_error_block(diagnostics::kSequenceMismatch, ""),
                   FailureKind::inconsistency);
}

// The exact size of the result: every record's key line and codon line, three bytes
// per column of its normalised peptide.  Keeps each record's column count in `columns`.
std::size_t result_size(RecordMap& records, std::vector<std::size_t>& columns) {
    std::size_t size = 0;
    columns.reserve(records.records().size());
    for (const RecordPair& record : records.records()) {
        columns.push_back(normalised_peptide_length(record.peptide.sequence));
        size += record.key.size() + 2 + 3 * columns.back();
    }
    return size;
}

char* write_line(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\n';
    return out + text.size() + 1;
}

template <class Rules>
AlignmentOutcome align_records(const SharedLabel& aa_label, const SharedLabel& nt_label,
                               RecordMap& records, const Rules& rules,
                               const ResultBuffer& result_buffer,
                               std::vector<CodonRow>* rows = nullptr) {
    std::vector<std::size_t> columns;
    const std::size_t size = result_size(records, columns);
    std::string own_result;
    char* out = result_buffer ? result_buffer(size) : nullptr;
    if (out == nullptr) {
        own_result.resize(size);
        out = own_result.data();
    }
    char* const start = out;
    if (rows != nullptr) rows->reserve(records.records().size());
    std::size_t counter = 0;
    for (const RecordPair& pair : records.records()) {
        AminoAcidTranslator record(aa_label, pair.peptide.header, pair.peptide.sequence, nt_label,
                                   pair.nucleotide.header, pair.nucleotide.sequence, ++counter);
        record.streamline();
        record.do_checks();
        if (record.has_error()) return record_failure(record);
        if (record.aa_seq().size() != columns[counter - 1]) {
            throw diagnostics::InternalFault("a normalised peptide changed its length");
        }
        out = write_line(out, pair.key);
        if (!walk_codons(record, rules, out)) return record_failure(record);
        if (rows != nullptr)
            rows->push_back({std::size_t(out - start), 3 * record.aa_seq().size()});
        out += 3 * record.aa_seq().size();
        *out++ = '\n';
    }
    return own_result;
}

SharedLabel make_label(std::string_view path, std::string_view default_label) {
    return std::make_shared<const std::string>(
        diagnostics::source_label_from_path(path, default_label));
}

SharedLabel finished_label(std::string_view label) {
    return std::make_shared<const std::string>(label);
}

std::string table_number_report(std::int32_t table_num) {
    std::string details = "Requested table : " + std::to_string(table_num);
    details.append("\nSupported NCBI tables: ").append(supported_table_list());
    return diagnostics::format_error_block(diagnostics::kInvalidTableNumber, details);
}

}  // namespace

AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const AlignmentCall& call) {
    const SharedLabel aa_label =
        call.finished_labels ? finished_label(aa_path) : make_label(aa_path, "aa.fa");
    const SharedLabel nt_label =
        call.finished_labels ? finished_label(nt_path) : make_label(nt_path, "nt.fa");
    const std::optional<std::string_view> table = ncbi_table(table_num);
    if (!table) return failure(table_number_report(table_num), FailureKind::table);
    return align_records(aa_label, nt_label, records, NcbiRules(*table), call.result_buffer,
                         call.rows);
}

AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const AlignmentCall& call) {
    const SharedLabel aa_label =
        call.finished_labels ? finished_label(aa_path) : make_label(aa_path, "aa.fa");
    const SharedLabel nt_label =
        call.finished_labels ? finished_label(nt_path) : make_label(nt_path, "nt.fa");
    return align_records(aa_label, nt_label, records, CustomRules(table), call.result_buffer,
                         call.rows);
}

AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const ResultBuffer& result_buffer) {
    return align_with_ncbi_code(aa_path, nt_path, table_num, std::move(records),
                                AlignmentCall{result_buffer});
}

AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const ResultBuffer& result_buffer) {
    return align_with_custom_code(aa_path, nt_path, table, std::move(records),
                                  AlignmentCall{result_buffer});
}

}  // namespace velbrin::codon
