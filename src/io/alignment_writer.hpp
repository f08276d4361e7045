#pragma once
// Writers of a finished codon alignment in the output formats of the command.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velbrin::io {

enum class OutputFormat { fasta, phylip, paml, clustal };

// "fasta", "phylip", "paml" or "clustal".
std::optional<OutputFormat> output_format_named(std::string_view name) noexcept;

// the peptide's full header; name = its first whitespace-delimited word
struct AlignedRecord {
    std::string_view header;
    std::string_view codons;
};

// The first whitespace-delimited word of `header`.
std::string_view record_name(std::string_view header) noexcept;

// Appends the whole alignment in `format` to `out`; `fasta_width` 0 = one line per sequence.
void write_alignment(std::string& out, OutputFormat format, std::span<const AlignedRecord> records,
                     std::size_t fasta_width);

}  // namespace velbrin::io
