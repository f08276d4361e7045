#pragma once
// Pairs each peptide record with its nucleotide record: by ID (exactly, through a
// user's map, or loosely, as aligners rewrite names) or by position.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "family/family_files.hpp"
#include "family/id_pattern.hpp"
#include "family/pair_map.hpp"
#include "io/result.hpp"

namespace velbrin::family {

enum class Pairing { by_id, by_order, loose };

// How the IDs that pair records are found.  The patterns and the map are optional.
struct PairingRules {
    Pairing mode = Pairing::by_id;
    const IdPattern* peptide_id = nullptr;     // else the header's first word
    const IdPattern* nucleotide_id = nullptr;  // else the header's first word
    const PairMap* map = nullptr;              // peptide ID to the nucleotide ID it wants
};

// Which rule of loose pairing found a partner.
enum class LooseRule { rewritten_characters, cut_name, frame_suffix };

struct LooseMatch {
    std::size_t peptide, nucleotide;  // records
    LooseRule rule;
};

struct RecordPairs {
    // The nucleotide record of each peptide record, in peptide order.
    std::vector<std::size_t> partner;
    std::size_t skipped_nucleotides = 0;     // nucleotide records no peptide asked for
    std::size_t nucleotides_without_id = 0;  // of those, ones where the pattern found no ID
    std::vector<LooseMatch> loose;           // pairs not matched by equal IDs
    std::size_t differing_ids = 0;           // by order: pairs whose IDs differ
    std::size_t first_differing = 0;         // by order: the first of them
};

// By ID, an ID twice in either input and a peptide without a partner fail; unasked
// nucleotide records are skipped.  By order, the counts must match.  Sorting keeps the
// work O(n log n) whatever IDs a caller crafts; files listing the same IDs in the same
// order are paired in one pass, their IDs checked for repeats by keyed hashes.
io::Result<RecordPairs> pair_records(const FamilyFiles& files, const PairingRules& rules);

// The ID a record pairs by under `pattern` (its first word when null); empty when the
// pattern finds none.
std::string_view pairing_id(std::string_view header, const IdPattern* pattern);

// `id` in single quotes, as messages name IDs.
std::string quoted(std::string_view id);

// The first ID that two peptide records share, as a failure naming both lines.
std::optional<io::Failure> repeated_peptide_id(const FamilyFiles& files);

}  // namespace velbrin::family
