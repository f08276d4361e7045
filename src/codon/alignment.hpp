#pragma once
// The two drivers: a whole gene's codon alignment, or the first record's failure.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "codon/failure_kind.hpp"
#include "codon/record_map.hpp"
#include "genetic_code/custom_codon_table.hpp"

namespace velbrin::codon {

// A failure carrying its finished message text (an error block), its kind and the
// report's summary line ("Peptide and nucleotide lengths are inconsistent.").
struct Failure {
    std::string message;
    FailureKind kind = FailureKind::inconsistency;
    std::string_view summary;
};

using AlignmentOutcome = std::variant<std::string, Failure>;

// Memory the caller offers for the result text, so that it is written once, straight
// into its final home: asked once, with the exact size, before the first record; it
// returns the buffer, or null to decline.  When it gives a buffer, the outcome's text
// is empty and the result is in the buffer (only if the call succeeds).
using ResultBuffer = std::function<char*(std::size_t size)>;

// A record's codon line within the result text.
struct CodonRow {
    std::size_t offset = 0, size = 0;
};

// What a caller may ask of a driver beyond the result text.
struct AlignmentCall {
    ResultBuffer result_buffer;
    // Filled with each record's codon line, in record order, when not null.
    std::vector<CodonRow>* rows = nullptr;
    // The paths are the finished labels the reports show, not paths to shorten.
    bool finished_labels = false;
};

AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const AlignmentCall& call);
AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const AlignmentCall& call);

// Under NCBI table `table_num`.
AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const ResultBuffer& result_buffer = {});

// Under a caller-supplied table.
AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const ResultBuffer& result_buffer = {});

}  // namespace velbrin::codon
