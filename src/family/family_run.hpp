#pragma once
// One gene family from files to its formatted codon alignment: read, pair, align,
// filter columns and format.  `velbrin align` runs one; `velbrin batch` runs many.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codon/alignment.hpp"
#include "family/id_pattern.hpp"
#include "family/pair_map.hpp"
#include "family/record_pairing.hpp"
#include "family/record_policy.hpp"
#include "io/alignment_writer.hpp"
#include "io/buffered_writer.hpp"
#include "io/input_limits.hpp"

namespace velbrin::family {

struct AlignOptions {
    Pairing pairing = Pairing::by_id;
    std::optional<IdPattern> peptide_id, nucleotide_id;  // --peptide-id, --nucleotide-id
    std::shared_ptr<const SharedPairMap> pair_map;       // --pair-map
    std::int32_t table = 1;       // NCBI table, unless code_table_path is set
    std::string code_table_path;  // --table-file
    // A record's last codon is dropped when it is a stop its peptide leaves out, unless
    // --keep-terminal-stop; --trim-terminal-stop states the default.
    bool keep_terminal_stop = false;
    bool trim_terminal_stop = false;
    bool strict_start = false;  // alternative start codons are not read as "M"
    OnMismatch on_mismatch = OnMismatch::fail;
    std::string mismatch_log_path;  // --mismatch-log; empty: none
    bool remove_stop_columns = false;
    bool remove_gap_columns = false;
    io::OutputFormat format = io::OutputFormat::fasta;
    std::size_t width = 60;
    std::size_t max_input_size = io::kDefaultMaxInputSize;  // per input, once inflated
    bool sync_outputs = true;  // output files synced to disk when put in place
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
    std::string output;  // the formatted alignment (status == aligned, without a delivery)
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
    // What the command accepted or changed; the counts are set for aligned and failed
    // families alike.
    std::size_t trimmed_stops = 0, alternative_starts = 0, masked_codons = 0, dropped_records = 0;
    std::string mismatch_rows;  // the mismatch log's rows of this family, no heading
};

// A family that did not get as far as the core: unreadable or invalid input.
FamilyResult input_error(std::string message);

// Where the alignment of a family goes: its bytes in pieces of about 1 MiB as they are
// formatted, then `finish` (when set) after the last piece, to put a file in place, say.
// A failure of either becomes the family's input error.  Only a family that passed is
// written, except to a sink that `discards_unfinished`: one that keeps nothing of what it
// got unless finished (a temporary file), which may be written while the records are
// still being checked.
struct OutputSink {
    io::BufferedWriter::Drain write;
    std::function<std::optional<io::IoFailure>()> finish;
    bool discards_unfinished = false;
};

// With `sink`, the alignment goes to it instead of into FamilyResult::output.
FamilyResult run_family(const FamilyInputs& inputs, const AlignOptions& options,
                        const OutputSink* sink = nullptr);

}  // namespace velbrin::family
