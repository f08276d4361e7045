#pragma once
// Families found in a folder of peptide alignments and a folder of nucleotide files,
// matched by file stem: "gene7.faa" pairs with "gene7.fna" as the family "gene7".
//
// Peptide suffixes: .fa .faa .fasta .aln .pep; nucleotide suffixes: .fa .fna .fasta .ffn
// .cds .nt; each may be followed by .gz.  Other files, folders and hidden files are
// ignored.  A peptide file without a nucleotide partner is still a family (one without
// nucleotide files, which the batch reports as an input error); nucleotide files
// without a peptide partner are only counted, as a CDS folder often holds more genes
// than were aligned.

#include <cstddef>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "family/family_run.hpp"
#include "io/io_failure.hpp"

namespace velbrin::cli {

struct DiscoveredFamilies {
    std::vector<family::FamilyInputs> families;  // sorted by name
    std::size_t unpaired_nucleotide_files = 0;
};

// The file stem of `file_name` when it carries one of `suffixes` (optionally followed by
// ".gz"), else empty.
std::string_view file_stem(std::string_view file_name,
                           std::span<const std::string_view> suffixes) noexcept;

std::variant<DiscoveredFamilies, io::IoFailure> discover_families(
    std::string_view peptide_folder, std::string_view nucleotide_folder);

}  // namespace velbrin::cli
