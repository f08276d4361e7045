// The readers of sequence and code files on arbitrary bytes.  Every failure is one
// non-empty line that names the file; every FASTA or alignment read writes out as FASTA
// and reads back the same; every code table read has only three-letter codons.
//
// Input: the file's bytes, all of them (gzip ones are inflated first).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz_input.hpp"
#include "io/alignment_writer.hpp"
#include "io/code_table_file.hpp"
#include "io/input_file.hpp"
#include "io/sequence_reader.hpp"

namespace velbrin::fuzz {
namespace {

constexpr std::string_view kLabel = "in.fa";
constexpr std::size_t kCodonLength = 3;

void check_failure(const io::IoFailure& failure) {
    const std::string_view message = failure.message;
    check(message.size() > kLabel.size() + 2 && message.starts_with(kLabel),
          "a failure names the file", message);
    check(message.find('\n') == std::string_view::npos, "a failure is one line", message);
}

// The records' sequences, joined: `joined` keeps them while the views are used.
std::vector<io::AlignedRecord> as_aligned(const std::vector<io::SequenceRecord>& records,
                                          std::vector<std::string>& joined) {
    joined.resize(records.size());
    std::vector<io::AlignedRecord> aligned;
    aligned.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        aligned.push_back({records[i].header, io::sequence_of(records[i], joined[i])});
    return aligned;
}

void check_round_trip(const std::vector<io::SequenceRecord>& records) {
    check(!records.empty(), "a successful read has records");
    std::string written;
    std::vector<std::string> joined;
    const std::vector<io::AlignedRecord> aligned = as_aligned(records, joined);
    io::write_alignment(written, io::OutputFormat::fasta, aligned, 0);
    const auto again = io::read_fasta(written, kLabel);
    if (const auto* failure = std::get_if<io::IoFailure>(&again))
        invariant_broken("written FASTA reads back", failure->message);
    const auto& reread = std::get<io::SequenceFile>(again).records;
    check(reread.size() == records.size(), "as many records read back", written);
    for (std::size_t i = 0; i < records.size(); ++i) {
        check(reread[i].header == records[i].header, "the header reads back", written);
        std::string scratch;
        check(io::sequence_of(reread[i], scratch) == aligned[i].codons, "the sequence reads back",
              written);
        check(reread[i].length() == aligned[i].codons.size(), "the length counts the residues",
              written);
    }
}

template <typename Outcome>
void check_sequences(const Outcome& outcome) {
    if (const auto* failure = std::get_if<io::IoFailure>(&outcome)) return check_failure(*failure);
    check_round_trip(std::get<io::SequenceFile>(outcome).records);
}

void check_code_table(std::string_view text) {
    const auto outcome = io::read_code_table(text, kLabel);
    if (const auto* failure = std::get_if<io::IoFailure>(&outcome)) return check_failure(*failure);
    const auto& table = std::get<codon::CustomCodonTable>(outcome);
    check(!table.empty(), "a code table read has entries");
    for (const auto& [symbol, codons] : table.entries()) {
        check(!codons.empty(), "every amino acid has codons");
        for (const std::string_view codon_text : codons)
            check(codon_text.size() == kCodonLength, "codons have three letters", codon_text);
    }
}

void run(std::string_view data) {
    auto inflated = io::inflate_if_gzip(std::string(data), kLabel);
    if (const auto* failure = std::get_if<io::IoFailure>(&inflated)) return check_failure(*failure);
    const std::string_view text = std::get<std::string>(inflated);
    check_sequences(io::read_fasta(text, kLabel));
    check_sequences(io::read_alignment(text, kLabel));
    check_code_table(text);
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
