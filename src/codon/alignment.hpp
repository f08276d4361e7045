#pragma once
// The two drivers: a whole gene's codon alignment, or the first record's failure.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "codon/failure_kind.hpp"
#include "codon/mismatch_policy.hpp"
#include "codon/record_map.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/stop_codons.hpp"

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

// Under NCBI table `table_num`.
AlignmentOutcome align_with_ncbi_code(std::string_view aa_path, std::string_view nt_path,
                                      std::int32_t table_num, RecordMap records,
                                      const ResultBuffer& result_buffer = {});

// Under a caller-supplied table.
AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const CustomCodonTable& table, RecordMap records,
                                        const ResultBuffer& result_buffer = {});

// A caller-supplied table with what the walk derives from it (its acceptance masks and
// ambiguity rules), made once for any number of calls.  `table` outlives it.
class PreparedCustomCode {
public:
    explicit PreparedCustomCode(const CustomCodonTable& table);
    PreparedCustomCode(PreparedCustomCode&&) noexcept;
    PreparedCustomCode& operator=(PreparedCustomCode&&) noexcept;
    ~PreparedCustomCode();

private:
    friend AlignmentOutcome align_with_custom_code(std::string_view, std::string_view,
                                                   const PreparedCustomCode&, RecordMap,
                                                   const ResultBuffer&);
    struct Rules;
    std::unique_ptr<Rules> rules_;
};

// Under a prepared table: the same outcome as under its table.
AlignmentOutcome align_with_custom_code(std::string_view aa_path, std::string_view nt_path,
                                        const PreparedCustomCode& code, RecordMap records,
                                        const ResultBuffer& result_buffer = {});

// Aligns a gene one record at a time, for callers that keep no whole result: each
// record's codon row is written into memory the caller reuses.  The labels are finished
// labels; the records are numbered as the reports count them, from 1, and reports come
// out as the whole-gene drivers give them.
class RecordAligner {
public:
    enum class Row {
        written,  // after normalising its texts or masking a codon
        placed,   // from its texts as given: place_codons() writes the same row again
                  // from the peptide and the start of the nucleotides
        dropped,
    };

    static std::variant<RecordAligner, Failure> under_ncbi_code(std::string aa_label,
                                                                std::string nt_label,
                                                                std::int32_t table_num);
    // `table` outlives the aligner.
    static RecordAligner under_custom_code(std::string aa_label, std::string nt_label,
                                           const CustomCodonTable& table);

    RecordAligner(RecordAligner&&) noexcept;
    RecordAligner& operator=(RecordAligner&&) noexcept;
    ~RecordAligner();

    // A record's last codon is dropped before it is checked when it is one of `stops`
    // and the nucleotides hold exactly one codon more than the peptide has residues.
    struct TerminalStops {
        const StopCodons* stops = nullptr;  // none: no codon is dropped
        bool trimmed = false;               // set by align()
    };

    // The codon row of `record` in `row` (resized to it), or why the record fails; a
    // record the policy drops leaves `row` unspecified.
    std::variant<Row, Failure> align(const RecordPair& record, std::size_t number, std::string& row,
                                     MismatchPolicy* policy,
                                     TerminalStops* terminal_stops = nullptr) const;

private:
    struct Rules;
    RecordAligner(std::string aa_label, std::string nt_label, std::unique_ptr<Rules> rules);

    std::string aa_label_, nt_label_;
    std::unique_ptr<Rules> rules_;
};

}  // namespace velbrin::codon
