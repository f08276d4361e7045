#pragma once
// The working record of one peptide/nucleotide pair: normalisation, the header and
// length checks, and the report of a column that cannot be translated.  Failures are
// written as finished report text; the first one wins.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "codon/genetic_code_ref.hpp"

namespace velbrin::codon {

using SharedLabel = std::shared_ptr<const std::string>;

class AminoAcidTranslator {
public:
    AminoAcidTranslator(SharedLabel aa_label, std::string aa_header, std::string aa_seq,
                        SharedLabel nt_label, std::string nt_header, std::string nt_seq,
                        std::size_t index);

    // Trims both sequences; maps the peptide onto its residue alphabet and upper-cases
    // the nucleotides, dropping "-" and ".".
    void streamline();

    // Header check, then length check; both always run.
    void do_checks() const;

    // Reports the residue at `column` (0-based, gaps counted) of the normalised peptide.
    void error_out_mismatch(std::size_t column, const GeneticCodeRef& code) const;

    // Keeps `report` unless the record already holds one.
    void record_error(std::string report) const;

    bool has_error() const noexcept { return has_error_; }
    const std::string& error() const noexcept { return error_; }

    const std::string& aa_seq() const noexcept { return aa_seq_; }
    const std::string& nt_seq() const noexcept { return nt_seq_; }
    std::size_t index() const noexcept { return index_; }

private:
    std::string inconsistency_details(std::string_view residues, std::size_t position,
                                      const GeneticCodeRef& code, bool mark_mismatches) const;

    SharedLabel aa_label_;
    std::string aa_header_;
    std::string aa_seq_;
    SharedLabel nt_label_;
    std::string nt_header_;
    std::string nt_seq_;
    std::size_t index_;
    mutable std::string error_;
    mutable bool has_error_ = false;
};

// The two normalisations of `streamline`, in place.
void normalise_peptide(std::string& aligned_peptide);
void normalise_nucleotides(std::string& nucleotides);

}  // namespace velbrin::codon
