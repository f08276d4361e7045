#pragma once
// One gene family from files to its formatted codon alignment: read, pair, align,
// filter columns and format.  `velbrin align` runs one; `velbrin batch` runs many.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codon/alignment.hpp"
#include "family/id_pattern.hpp"
#include "family/pair_map.hpp"
#include "family/record_pairing.hpp"
#include "io/alignment_writer.hpp"

namespace velbrin::family {

struct AlignOptions {
    Pairing pairing = Pairing::by_id;
    std::optional<IdPattern> peptide_id, nucleotide_id;  // --peptide-id, --nucleotide-id
    std::shared_ptr<const SharedPairMap> pair_map;       // --pair-map
    std::int32_t table = 1;       // NCBI table, unless code_table_path is set
    std::string code_table_path;  // --table-file
    bool trim_terminal_stop = false;
    bool remove_stop_columns = false;
    bool remove_gap_columns = false;
    io::OutputFormat format = io::OutputFormat::fasta;
    std::size_t width = 60;
};

struct FamilyInputs {
    std::string name;  // family name (batch); "" for align
    std::string peptide_path;
    std::vector<std::string> nucleotide_paths;
    std::optional<std::int32_t>
        table;  // per-family table (batch manifest) overriding AlignOptions::table
};

enum class FamilyStatus {
    aligned,
    failed,       // the core's report
    input_error,  // unreadable or invalid input
};

// A line for standard error, shown from the given verbosity on (0: always).
struct Note {
    int verbosity = 0;
    std::string text;
};

struct FamilyResult {
    FamilyStatus status = FamilyStatus::aligned;
    std::optional<codon::FailureKind> kind;  // set when status == failed
    std::string output;                      // the formatted alignment (status == aligned)
    // failed: the boxed report plus any hint line; input_error: the one-line message;
    // each ending in '\n'
    std::string report;
    // One line: the report's summary line ("Peptide and nucleotide lengths are
    // inconsistent.") or the input error.
    std::string summary;
    // records and nucleotides are what was read, also for a family that failed once its
    // files were read; columns are those of the alignment, 0 without one.
    std::size_t records = 0, columns = 0, nucleotides = 0, skipped_nucleotide_records = 0;
    std::vector<Note> notes;  // how records were paired
};

// A family that did not get as far as the core: unreadable or invalid input.
FamilyResult input_error(std::string message);

FamilyResult run_family(const FamilyInputs& inputs, const AlignOptions& options);

}  // namespace velbrin::family
