#pragma once
// The two drivers: a whole gene's codon alignment, or the first record's failure.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "codon/custom_codon_table.hpp"
#include "codon/record_map.hpp"

namespace velbrin::codon {

// A failure carrying its finished message text (an error block).
struct Failure {
    std::string message;
};

using AlignmentOutcome = std::variant<std::string, Failure>;

// Under NCBI table `table_num`.
AlignmentOutcome tarnix(std::string_view aa_path, std::string_view nt_path, std::int32_t table_num,
                        RecordMap records);

// Under a caller-supplied table.
AlignmentOutcome tarnix_original_args(std::string_view aa_path, std::string_view nt_path,
                                      const CustomCodonTable& table, RecordMap records);

}  // namespace velbrin::codon
