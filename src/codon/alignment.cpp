#include "codon/alignment.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
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
    NcbiRules(std::string_view table, const AcceptanceMasks& masks)
        : table_(table), masks_(masks) {}

    const AcceptanceMasks& masks() const noexcept { return masks_; }
    // The masks hold every residue a normalised peptide has, so a resolution the mask
    // accepts is one whose table letter the residue's signature admits.
    bool accepts_ambiguous(char residue, std::string_view codon) const noexcept {
        return (iupac::resolution_mask(codon) & masks_.accepted_by(residue)) != 0;
    }
    void report_uncovered(char, std::size_t, const AminoAcidTranslator&) const noexcept {
    }  // covers all
    GeneticCodeRef code() const noexcept { return NcbiCode{table_}; }

private:
    std::string_view table_;
    AcceptanceMasks masks_;  // a copy: the walk reads it beside the rules, not through them
};

std::optional<NcbiRules> ncbi_rules(std::int32_t table_num) noexcept {
    const std::optional<std::string_view> table = ncbi_table(table_num);
    const AcceptanceMasks* masks = ncbi_acceptance(table_num);
    if (!table || masks == nullptr) return std::nullopt;
    return NcbiRules(*table, *masks);
}

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
        : table_(table),
          masks_(custom_acceptance(table, unplain_)),
          ambiguity_(table, masks_, unplain_) {}

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
    std::vector<UnplainEntry> unplain_;  // declared first: filled while the masks are made
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
// per column of its normalised peptide.
std::size_t result_size(RecordMap& records) {
    std::size_t size = 0;
    const std::span<const RecordOutline> outlines = records.outlines();
    for (std::size_t at = 0; at < outlines.size(); ++at) {
        size += records.records()[at].key.size() + 2 + 3 * outlines[at].peptide.columns;
    }
    return size;
}

char* write_line(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\n';
    return out + text.size() + 1;
}

// A record failing the length check that the policy leaves out.
bool dropped_for_length(const AminoAcidTranslator& record, MismatchPolicy* policy) {
    return policy != nullptr && record.error_kind() == FailureKind::length &&
           policy->on_length(record.index() - 1) == MismatchAction::drop;
}

// Records sit wherever the caller's strings were made, so no hardware prefetcher can
// foresee the next one: its texts are asked for while this one is walked.
void prefetch_texts(const RecordPair& pair) noexcept {
    for (const std::string_view text :
         {pair.key, pair.peptide.sequence, pair.nucleotide.sequence}) {
        __builtin_prefetch(text.data());
    }
    const std::string_view bases = pair.nucleotide.sequence;
    for (std::size_t at = 64; at < bases.size() && at < 256; at += 64)
        __builtin_prefetch(bases.data() + at);
}

template <class Rules>
AlignmentOutcome align_records(std::string_view aa_label, std::string_view nt_label,
                               RecordMap& records, const Rules& rules,
                               const ResultBuffer& result_buffer) {
    const std::span<const RecordOutline> outlines = records.outlines();
    const std::size_t size = result_size(records);
    std::string own_result;
    char* out = result_buffer ? result_buffer(size) : nullptr;
    if (out == nullptr) {
        own_result.resize(size);
        out = own_result.data();
    }
    const BlockKernel kernel = block_kernel(active_vector_level());
    AminoAcidTranslator record(aa_label, {}, {}, nt_label, {}, {}, 0);
    std::size_t counter = 0;
    const std::span<const RecordPair> pairs = records.records();
    for (const RecordPair& pair : pairs) {
        if (counter + 2 < pairs.size()) prefetch_texts(pairs[counter + 2]);
        record.reset(pair.peptide.header, pair.peptide.sequence, pair.nucleotide.header,
                     pair.nucleotide.sequence, ++counter);
        const RecordOutline& outline = outlines[counter - 1];
        record.streamline(outline.peptide.trimmed, outline.peptide.scan);
        record.do_checks(outline.headers_agree);
        if (record.has_error()) return record_failure(record);
        if (record.aa_seq().size() != outline.peptide.columns) {
            throw diagnostics::InternalFault("a normalised peptide changed its length");
        }
        char* const line = write_line(out, pair.key);
        // Without a policy the walk writes the whole line or fails.
        if (walk_codons(record, rules, kernel, line, nullptr) != WalkEnd::written)
            return record_failure(record);
        out = line + 3 * record.aa_seq().size();
        *out++ = '\n';
    }
    return own_result;
}

// A policy passed on, noting whether it masked a codon.
class MaskWatch final : public MismatchPolicy {
public:
    explicit MaskWatch(MismatchPolicy& policy) noexcept : policy_(policy) {}
    MismatchAction on_codon(const CodonMismatch& mismatch) override {
        const MismatchAction action = policy_.on_codon(mismatch);
        masked_ |= action == MismatchAction::mask;
        return action;
    }
    MismatchAction on_length(std::size_t record) override { return policy_.on_length(record); }
    bool masked() const noexcept { return masked_; }

private:
    MismatchPolicy& policy_;
    bool masked_ = false;
};

bool is_same_text(std::string_view normalised, std::string_view source) noexcept {
    return normalised.data() == source.data() && normalised.size() == source.size();
}

bool starts_the_text(std::string_view normalised, std::string_view source) noexcept {
    return normalised.data() == source.data() && normalised.size() <= source.size();
}

template <class Rules>
std::variant<RecordAligner::Row, Failure> align_one(std::string_view aa_label,
                                                    std::string_view nt_label,
                                                    const RecordPair& pair, std::size_t number,
                                                    const Rules& rules, std::string& row,
                                                    MismatchPolicy* policy,
                                                    RecordAligner::TerminalStops* terminal_stops) {
    AminoAcidTranslator record(aa_label, pair.peptide.header, pair.peptide.sequence, nt_label,
                               pair.nucleotide.header, pair.nucleotide.sequence, number);
    record.streamline();
    if (terminal_stops && terminal_stops->stops) {
        terminal_stops->trimmed = record.drop_terminal_stop(*terminal_stops->stops);
    }
    record.do_checks();
    if (record.has_error()) {
        if (dropped_for_length(record, policy)) return RecordAligner::Row::dropped;
        return record_failure(record);
    }
    row.resize(3 * record.aa_seq().size());
    std::optional<MaskWatch> watch;
    if (policy) watch.emplace(*policy);
    switch (walk_codons(record, rules, row.data(), watch ? &*watch : nullptr)) {
        case WalkEnd::failed: return record_failure(record);
        case WalkEnd::dropped: return RecordAligner::Row::dropped;
        case WalkEnd::written: break;
    }
    // The row takes three bases per residue from the start of the nucleotides: what
    // follows them (a trimmed stop, white space) leaves it as it is.
    const bool as_given = is_same_text(record.aa_seq(), pair.peptide.sequence) &&
                          starts_the_text(record.nt_seq(), pair.nucleotide.sequence) &&
                          !(watch && watch->masked());
    return as_given ? RecordAligner::Row::placed : RecordAligner::Row::written;
}

std::string make_label(std::string_view path, std::string_view default_label) {
    return diagnostics::source_label_from_path(path, default_label);
}

std::string table_number_report(std::int32_t table_num) {
    std::string details = "Requested table : " + std::to_string(table_num);
    details.append("\nSupported NCBI tables: ").append(supported_table_list());
    return diagnostics::format_error_block(diagnostics::kInvalidTableNumber, details);
}

}  // namespace

AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const ResultBuffer& result_buffer) {
    const std::string aa_label = make_label(aa_path, "aa.fa");
    const std::string nt_label = make_label(nt_path, "nt.fa");
    const std::optional<NcbiRules> rules = ncbi_rules(table_num);
    if (!rules) return failure(table_number_report(table_num), FailureKind::table);
    return align_records(aa_label, nt_label, records, *rules, result_buffer);
}

AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const ResultBuffer& result_buffer) {
    return align_with_custom_code(aa_path, nt_path, PreparedCustomCode(table), std::move(records),
                                  result_buffer);
}

struct PreparedCustomCode::Rules {
    CustomRules rules;
};

PreparedCustomCode::PreparedCustomCode(const CustomCodonTable& table)
    : rules_(std::make_unique<Rules>(Rules{CustomRules(table)})) {}
PreparedCustomCode::PreparedCustomCode(PreparedCustomCode&&) noexcept = default;
PreparedCustomCode& PreparedCustomCode::operator=(PreparedCustomCode&&) noexcept = default;
PreparedCustomCode::~PreparedCustomCode() = default;

AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const PreparedCustomCode& code, RecordMap records,
                                        const ResultBuffer& result_buffer) {
    const std::string aa_label = make_label(aa_path, "aa.fa");
    const std::string nt_label = make_label(nt_path, "nt.fa");
    return align_records(aa_label, nt_label, records, code.rules_->rules, result_buffer);
}

struct RecordAligner::Rules {
    std::variant<NcbiRules, CustomRules> rules;
};

RecordAligner::RecordAligner(std::string aa_label, std::string nt_label,
                             std::unique_ptr<Rules> rules)
    : aa_label_(std::move(aa_label)), nt_label_(std::move(nt_label)), rules_(std::move(rules)) {}
RecordAligner::RecordAligner(RecordAligner&&) noexcept = default;
RecordAligner& RecordAligner::operator=(RecordAligner&&) noexcept = default;
RecordAligner::~RecordAligner() = default;

std::variant<RecordAligner, Failure> RecordAligner::under_ncbi_code(std::string aa_label,
                                                                    std::string nt_label,
                                                                    std::int32_t table_num) {
    const std::optional<NcbiRules> rules = ncbi_rules(table_num);
    if (!rules) return failure(table_number_report(table_num), FailureKind::table);
    return RecordAligner(std::move(aa_label), std::move(nt_label),
                         std::make_unique<Rules>(Rules{*rules}));
}

RecordAligner RecordAligner::under_custom_code(std::string aa_label, std::string nt_label,
                                               const CustomCodonTable& table) {
    auto rules = std::make_unique<Rules>(
        Rules{std::variant<NcbiRules, CustomRules>(std::in_place_type<CustomRules>, table)});
    return RecordAligner(std::move(aa_label), std::move(nt_label), std::move(rules));
}

std::variant<RecordAligner::Row, Failure> RecordAligner::align(
    const RecordPair& record, std::size_t number, std::string& row, MismatchPolicy* policy,
    TerminalStops* terminal_stops) const {
    return std::visit(
        [&](const auto& rules) {
            return align_one(aa_label_, nt_label_, record, number, rules, row, policy,
                             terminal_stops);
        },
        rules_->rules);
}

}  // namespace velbrin::codon
