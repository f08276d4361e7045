#pragma once
// The working record of one peptide/nucleotide pair: normalisation, the header and
// length checks, and the report of a column that cannot be translated.  Failures are
// written as finished report text; the first one wins.
//
// Headers and sequences are views of the caller's texts, which outlive the record.  A
// normalised sequence is a view of its source when normalising changes nothing (the
// common case), otherwise of a copy the record owns.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "codon/failure_kind.hpp"
#include "codon/record_scan.hpp"
#include "genetic_code/genetic_code_ref.hpp"
#include "genetic_code/stop_codons.hpp"

namespace velbrin::codon {

class AminoAcidTranslator {
public:
    // The labels name the inputs in reports; like the texts, they outlive the record.
    // (Defined here: one is made per record.)
    AminoAcidTranslator(std::string_view aa_label, std::string_view aa_header,
                        std::string_view aa_seq, std::string_view nt_label,
                        std::string_view nt_header, std::string_view nt_seq, std::size_t index)
        : aa_label_(aa_label),
          aa_header_(aa_header),
          aa_seq_(aa_seq),
          nt_label_(nt_label),
          nt_header_(nt_header),
          nt_seq_(nt_seq),
          index_(index) {}
    // Makes it the translator of another record of the same inputs, as if made anew, but
    // keeping the storage it has grown: one serves all the records of a call.
    void reset(std::string_view aa_header, std::string_view aa_seq, std::string_view nt_header,
               std::string_view nt_seq, std::size_t index) noexcept {
        aa_header_ = aa_header;
        aa_seq_ = aa_seq;
        nt_header_ = nt_header;
        nt_seq_ = nt_seq;
        index_ = index;
        residues_.reset();
        error_.clear();
        has_error_ = false;
        error_kind_ = FailureKind::inconsistency;
    }
    // The sequences may view the record's own storage, so it stays where it was built.
    AminoAcidTranslator(const AminoAcidTranslator&) = delete;
    AminoAcidTranslator& operator=(const AminoAcidTranslator&) = delete;

    // Trims both sequences; maps the peptide onto its residue alphabet and upper-cases
    // the nucleotides, dropping "-" and ".".
    void streamline();
    // The same, given the peptide once trimmed and its scan (made ahead by the caller).
    void streamline(std::string_view trimmed_peptide, const PeptideScan& scan);

    // After streamline: drops the last codon when it is one of `stops` and the
    // nucleotides hold exactly one codon more than the peptide has residues, as a coding
    // sequence that carries its stop codon does; true if it did.
    bool drop_terminal_stop(const StopCodons& stops) noexcept;

    // Header check, then length check; both always run.
    void do_checks() const;
    // The same, given whether the headers agree (found ahead by the caller).
    void do_checks(bool headers_agree) const;

    // Reports the residue at `column` (0-based, gaps counted) of the normalised peptide.
    void error_out_mismatch(std::size_t column, const GeneticCodeRef& code) const;

    // Keeps `report` and its kind unless the record already holds one.
    void record_error(std::string report, FailureKind kind) const;

    bool has_error() const noexcept { return has_error_; }
    const std::string& error() const noexcept { return error_; }
    FailureKind error_kind() const noexcept { return error_kind_; }

    std::string_view aa_seq() const noexcept { return aa_seq_; }
    std::string_view nt_seq() const noexcept { return nt_seq_; }
    std::size_t index() const noexcept { return index_; }

private:
    std::string inconsistency_details(std::string_view residues, std::size_t position,
                                      const GeneticCodeRef& code, bool mark_mismatches) const;

    std::string_view aa_label_;
    std::string_view aa_header_;
    std::string_view aa_seq_;
    std::string_view nt_label_;
    std::string_view nt_header_;
    std::string_view nt_seq_;
    std::size_t index_;
    std::string aa_storage_;  // the normalised peptide, when it differs from its source
    std::string nt_storage_;
    std::optional<std::size_t> residues_;  // of the normalised peptide, once streamlined
    mutable std::string error_;
    mutable bool has_error_ = false;
    mutable FailureKind error_kind_ = FailureKind::inconsistency;
};

// The two normalisations of `streamline`: the normalised text, a view of `source` itself
// when normalising changes nothing but the trimming, else of `storage`.
std::string_view normalise_peptide(std::string_view source, std::string& storage);
std::string_view normalise_nucleotides(std::string_view source, std::string& storage);

// What the length check compares: the residues of a normalised peptide (its gaps
// left out) and the bases of the normalised nucleotides, which must be three per residue.
struct CodingLengths {
    std::size_t residues = 0, bases = 0;
    bool agree() const noexcept { return bases == 3 * residues; }
};
CodingLengths coding_lengths(std::string_view normalised_peptide,
                             std::string_view normalised_nucleotides) noexcept;

// A coding sequence that carries its stop codon: the normalised nucleotides hold exactly
// one codon more than the peptide has residues, and that codon is one of `stops`.
bool carries_terminal_stop(std::size_t residues, std::string_view normalised_nucleotides,
                           const StopCodons& stops) noexcept;

// The length `normalise_peptide` gives `source` (its characters, once trimmed), the
// trimmed text and its scan, which `streamline` can then take instead of scanning again.
struct PeptideOutline {
    std::size_t columns;
    std::string_view trimmed;
    PeptideScan scan;
};
PeptideOutline outline_peptide(std::string_view source) noexcept;
std::size_t normalised_peptide_length(std::string_view source) noexcept;

}  // namespace velbrin::codon
