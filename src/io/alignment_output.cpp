#include "io/alignment_output.hpp"

#include <utility>

#include "io/atomic_output.hpp"

namespace velbrin::io {
namespace {

template <class Output>
std::optional<IoFailure> stream_to(Output& output, const AlignmentLayout& layout,
                                   std::span<const AlignedRecord> records) {
    BufferedWriter writer([&output](std::string_view bytes) { return output.write(bytes); });
    write_alignment(writer, layout.format, records, layout.fasta_width);
    return writer.finish();
}

}  // namespace

std::optional<IoFailure> stream_alignment(OutputFile& output, const AlignmentLayout& layout,
                                          std::span<const AlignedRecord> records) {
    return stream_to(output, layout, records);
}

std::optional<IoFailure> write_alignment_file(std::string path, bool durable,
                                              const AlignmentLayout& layout,
                                              std::span<const AlignedRecord> records) {
    auto created = AtomicOutput::create(std::move(path));
    if (auto* failure = std::get_if<IoFailure>(&created)) return std::move(*failure);
    auto& output = std::get<AtomicOutput>(created);
    output.set_sync_on_commit(durable);
    if (auto failure = stream_to(output, layout, records)) return failure;
    return output.commit();
}

}  // namespace velbrin::io
