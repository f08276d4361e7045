#pragma once
// What the readers of interleaved alignments share: records drafted with sequences of
// their own, turned into a SequenceFile at the end; and the words of their failures.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/sequence_reader.hpp"

namespace velbrin::io {

inline constexpr std::string_view kNoRecords = "no sequence records";
inline constexpr char kHeaderStart = '>';

struct RecordDraft {
    std::string header;
    std::string sequence;
    std::size_t line;
};

// The drafts as records whose sequences view the file's joined storage.
SequenceFile file_of_drafts(std::vector<RecordDraft> drafts);

// Why `byte` may not stand in a sequence: a control byte, or '>', which would start a
// header once the sequence is written out again.
std::string misplaced_byte_reason(unsigned char byte);

// The first byte of `residues` that no sequence may hold.
std::optional<unsigned char> first_misplaced_byte(std::string_view residues) noexcept;

// Splits off the first blank-delimited word of `line`.
std::string_view take_word(std::string_view& line) noexcept;

// "'x' where the block expects 'y'" (or "has no more names" past the last expected one).
std::string unexpected_name_reason(std::string_view name, const std::vector<RecordDraft>& drafts,
                                   std::size_t row);

}  // namespace velbrin::io
