#include "family/record_policy.hpp"

#include <charconv>

namespace velbrin::family {
namespace {

constexpr std::string_view kMismatchReason = "mismatch";
constexpr std::string_view kLengthReason = "length";

// A cell of the log: tabs and line ends inside it would break the row.
void append_cell(std::string& out, std::string_view text) {
    for (const char c : text) out.push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
    out.push_back('\t');
}

}  // namespace

RecordPolicy::RecordPolicy(OnMismatch on_mismatch, codon::StartCodons starts, bool strict_start,
                           std::size_t records)
    : on_mismatch_(on_mismatch),
      starts_(starts),
      strict_start_(strict_start),
      dropped_(records, false),
      started_(records, false) {}

codon::MismatchAction RecordPolicy::on_codon(const codon::CodonMismatch& mismatch) {
    // The first codon that the code lists as a start but reads as another residue.
    const bool start =
        mismatch.offset == 0 && mismatch.residue == 'M' && starts_.contains(mismatch.codon);
    if (start && !strict_start_) {
        started_[mismatch.record] = true;
        ++alternative_starts_;
        return codon::MismatchAction::accept;
    }
    switch (on_mismatch_) {
        case OnMismatch::fail:
            if (start) refused_start_ = RefusedStart{mismatch.record, std::string(mismatch.codon)};
            return codon::MismatchAction::fail;
        case OnMismatch::mask:
            ++masked_codons_;
            entries_.push_back({mismatch.record, mismatch.column + 1, std::string(mismatch.codon),
                                mismatch.residue, kMismatchReason});
            return codon::MismatchAction::mask;
        case OnMismatch::drop:
            entries_.push_back({mismatch.record, mismatch.column + 1, std::string(mismatch.codon),
                                mismatch.residue, kMismatchReason});
            return drop(mismatch.record);
    }
    return codon::MismatchAction::fail;
}

codon::MismatchAction RecordPolicy::on_length(std::size_t record) {
    if (on_mismatch_ != OnMismatch::drop) return codon::MismatchAction::fail;
    entries_.push_back({record, 0, {}, 0, kLengthReason});
    return drop(record);
}

codon::MismatchAction RecordPolicy::drop(std::size_t record) {
    dropped_[record] = true;
    ++dropped_records_;
    // A start read from a record that is left out was not accepted after all.
    if (started_[record]) --alternative_starts_;
    return codon::MismatchAction::drop;
}

void append_mismatch_rows(std::string& out, std::string_view family,
                          const std::vector<MismatchEntry>& entries,
                          const std::vector<std::string_view>& record_ids) {
    for (const MismatchEntry& entry : entries) {
        append_cell(out, family);
        append_cell(out, record_ids[entry.record]);
        if (entry.column > 0) {
            char digits[24];
            const auto end = std::to_chars(std::begin(digits), std::end(digits), entry.column).ptr;
            out.append(digits, end);
        }
        out.push_back('\t');
        append_cell(out, entry.codon);
        if (entry.residue != 0) out.push_back(entry.residue);
        out.push_back('\t');
        out.append(entry.reason);
        out.push_back('\n');
    }
}

}  // namespace velbrin::family
