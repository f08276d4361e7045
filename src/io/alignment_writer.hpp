#pragma once
// Writers of a finished codon alignment in the output formats of the command.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "io/buffered_writer.hpp"
#include "io/output_formats.hpp"

namespace velbrin::io {

// the peptide's full header; name = its first whitespace-delimited word
struct AlignedRecord {
    std::string_view header;
    std::string_view codons;
};

// The first whitespace-delimited word of `header`.
std::string_view record_name(std::string_view header) noexcept;

// Why `records` cannot be written in `format` (two names that strict PHYLIP would cut to
// the same ten characters), as one line; none when they can.
std::optional<std::string> unwritable_names(OutputFormat format,
                                            std::span<const AlignedRecord> records);

// Formats whose rows can be written as they come: all but CLUSTAL, whose blocks
// interleave the rows.
constexpr bool writes_row_by_row(OutputFormat format) noexcept {
    return format != OutputFormat::clustal;
}

// An alignment in a format written row by row: the head (counts) when made, then each
// row, then the tail.  The counts are known before the first row: `records` rows of
// `characters` codon characters each.  The records must pass unwritable_names().
class RowWriter {
public:
    RowWriter(BufferedWriter& out, OutputFormat format, std::size_t fasta_width,
              std::size_t records, std::size_t characters);
    void row(const AlignedRecord& record);
    void finish();

private:
    BufferedWriter& out_;
    OutputFormat format_;
    std::size_t fasta_width_;
    std::size_t characters_;
};

// Writes the whole alignment in `format`, record by record, to `out`; `fasta_width` 0 =
// one line per sequence.  The records must pass unwritable_names().
void write_alignment(BufferedWriter& out, OutputFormat format,
                     std::span<const AlignedRecord> records, std::size_t fasta_width);

// The same, appended to a string.
void write_alignment(std::string& out, OutputFormat format, std::span<const AlignedRecord> records,
                     std::size_t fasta_width);

}  // namespace velbrin::io
