#pragma once
// Pairs each peptide record with its nucleotide record, by ID or by position.

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "family/family_files.hpp"

namespace velbrin::family {

struct RecordPairs {
    std::vector<std::size_t>
        partner;  // the nucleotide record of each peptide record, in peptide order
    std::size_t skipped_nucleotides = 0;  // nucleotide records no peptide asked for
};

// A failed pairing: one finished line naming the record(s) and where they stand.
struct PairingFailure {
    std::string message;
};

// By ID, the first whitespace-delimited word of the header.  An ID twice in either
// input and a peptide without a partner fail; unasked nucleotide records are skipped.
// Sorting, not hashing, keeps the work O(n log n) whatever IDs a caller crafts.
std::variant<RecordPairs, PairingFailure> pair_by_id(const FamilyFiles& files);

// The i-th peptide with the i-th nucleotide record; the counts must match.
std::variant<RecordPairs, PairingFailure> pair_by_order(const FamilyFiles& files);

}  // namespace velbrin::family
