#pragma once
// A finished alignment written out record by record through one reused buffer: to an
// open output (a file being written, a device, standard output) or to a file of its own.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "io/alignment_writer.hpp"
#include "io/io_failure.hpp"
#include "io/output_file.hpp"

namespace velbrin::io {

struct AlignmentLayout {
    OutputFormat format = OutputFormat::fasta;
    std::size_t fasta_width = 60;
};

// Writes the alignment to `output`, which is left for the caller to commit.
std::optional<IoFailure> stream_alignment(OutputFile& output, const AlignmentLayout& layout,
                                          std::span<const AlignedRecord> records);

// Writes the alignment to `path` whole or not at all (AtomicOutput); `durable`: synced to
// disk in place.
std::optional<IoFailure> write_alignment_file(std::string path, bool durable,
                                              const AlignmentLayout& layout,
                                              std::span<const AlignedRecord> records);

}  // namespace velbrin::io
