#pragma once
// What the command does with a record the core's checks reject: an alternative start
// codon is read as methionine, and a codon that does not encode its residue, or a
// record of the wrong length, fails the family, is masked or is dropped.  Every masked
// codon and dropped record is kept for the mismatch log.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codon/mismatch_policy.hpp"
#include "genetic_code/start_codons.hpp"

namespace velbrin::family {

enum class OnMismatch { fail, mask, drop };

// A masked codon, or a record left out.
struct MismatchEntry {
    std::size_t record = 0;   // in the family's record order
    std::size_t column = 0;   // 1-based alignment column; 0 for a record of the wrong length
    std::string codon;        // empty for a record of the wrong length
    char residue = 0;         // 0 for a record of the wrong length
    std::string_view reason;  // "mismatch" or "length"
};

// A start codon of the code that the first codon of a record holds but whose residue
// was not accepted from it (under --strict-start).
struct RefusedStart {
    std::size_t record = 0;
    std::string codon;
};

class RecordPolicy final : public codon::MismatchPolicy {
public:
    // `starts`: the code's start codons; read as "M" in a record's first codon unless
    // `strict_start`.
    RecordPolicy(OnMismatch on_mismatch, codon::StartCodons starts, bool strict_start,
                 std::size_t records);

    codon::MismatchAction on_codon(const codon::CodonMismatch& mismatch) override;
    codon::MismatchAction on_length(std::size_t record) override;

    bool dropped(std::size_t record) const noexcept { return dropped_[record]; }
    std::size_t alternative_starts() const noexcept { return alternative_starts_; }
    std::size_t masked_codons() const noexcept { return masked_codons_; }
    std::size_t dropped_records() const noexcept { return dropped_records_; }
    const std::vector<MismatchEntry>& entries() const noexcept { return entries_; }
    // The start codon refused at the codon that failed the family, if it was one.
    const std::optional<RefusedStart>& refused_start() const noexcept { return refused_start_; }

private:
    codon::MismatchAction drop(std::size_t record);

    OnMismatch on_mismatch_;
    codon::StartCodons starts_;
    bool strict_start_;
    std::vector<bool> dropped_;
    std::vector<bool> started_;  // the record's first codon was read as an alternative start
    std::size_t alternative_starts_ = 0, masked_codons_ = 0, dropped_records_ = 0;
    std::vector<MismatchEntry> entries_;
    std::optional<RefusedStart> refused_start_;
};

// The log's rows for `entries` of family `family` (no heading line): family, record ID,
// column, codon, residue and reason, tab-separated.
void append_mismatch_rows(std::string& out, std::string_view family,
                          const std::vector<MismatchEntry>& entries,
                          const std::vector<std::string_view>& record_ids);

// The heading line of a mismatch log.
inline constexpr std::string_view kMismatchLogHeading =
    "family\trecord\tcolumn\tcodon\tresidue\treason\n";

}  // namespace velbrin::family
