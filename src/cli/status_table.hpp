#pragma once
// The batch's status table: one tab-separated row per family, in the input's order.
//
//   family  status  kind  records  codon_columns  nucleotides  seconds  summary
//   trimmed_stops  alternative_starts  masked_codons  dropped_records
//
// status is aligned, failed, input_error, skipped or not_run; kind names the core's
// failure (failed only); the counts and seconds are empty for families that did not run,
// codon_columns for every family that did not align.
// Columns are only ever added at the end, so readers by position keep working.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codon/failure_kind.hpp"
#include "family/family_run.hpp"

namespace velbrin::cli {

enum class BatchStatus : std::uint8_t { aligned, failed, input_error, skipped, not_run };

// What became of one family.
struct FamilyOutcome {
    BatchStatus status = BatchStatus::not_run;
    std::optional<codon::FailureKind> kind;
    std::size_t records = 0, columns = 0, nucleotides = 0;
    double seconds = 0;
    std::string summary;
    std::size_t trimmed_stops = 0, alternative_starts = 0, masked_codons = 0, dropped_records = 0;
    std::string mismatch_rows;  // the family's rows of the mismatch log
};

std::string_view batch_status_name(BatchStatus status) noexcept;

// Skipped families count as successes: their output is already there.
constexpr bool is_success(BatchStatus status) noexcept {
    return status == BatchStatus::aligned || status == BatchStatus::skipped;
}

// The whole table with its heading line; `outcomes` lines up with `families`.
std::string format_status_table(std::span<const family::FamilyInputs> families,
                                std::span<const FamilyOutcome> outcomes);

}  // namespace velbrin::cli
