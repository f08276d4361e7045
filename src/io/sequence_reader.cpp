#include "io/sequence_reader.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <variant>

#include "codon/vector_level.hpp"
#include "io/phylip_reader.hpp"
#include "io/record_drafts.hpp"
#include "io/stockholm_reader.hpp"
#include "io/text_lines.hpp"

namespace velbrin::io {
namespace {

constexpr std::array<std::string_view, 3> kClustalHeaderWords = {"CLUSTAL", "MUSCLE", "PROBCONS"};
// Gaps as MSF, Stockholm and GCG write them, read as '-'.
constexpr std::array<char, 2> kOtherGaps = {'.', '~'};
constexpr char kGap = '-';

// True when `line` holds a blank, a control byte, DEL or '>': the rare case that needs a
// byte-by-byte look.  Written without an early exit so that it vectorises.
VELBRIN_WIDE_LOOP bool needs_cleaning(std::string_view line) noexcept {
    bool special = false;
    for (const char byte : line) {
        const auto value = static_cast<unsigned char>(byte);
        special |= (value <= ' ') | (value == 0x7F) | (value == kHeaderStart);
    }
    return special;
}

// The residues of a sequence line, its blanks left out; or the first byte no sequence
// may hold.
std::variant<std::size_t, unsigned char> residues_in_line(std::string_view line) noexcept {
    if (!needs_cleaning(line)) return line.size();
    std::size_t residues = 0;
    for (const char byte : line) {
        const auto value = static_cast<unsigned char>(byte);
        if (is_binary(value) || byte == kHeaderStart) return value;
        residues += !is_blank(value);
    }
    return residues;
}

std::string_view header_text(std::string_view line) noexcept {
    line.remove_prefix(1);  // '>'
    while (!line.empty() && is_blank(static_cast<unsigned char>(line.back())))
        line.remove_suffix(1);
    return line;
}

// The sequence of the record being read: where its lines start and end in the text and
// how many residues they hold.  Nothing is copied; one clean line is the sequence itself.
class SequenceInProgress {
public:
    std::optional<unsigned char> add_line(std::string_view line) noexcept {
        if (line.empty()) return std::nullopt;
        const auto residues = residues_in_line(line);
        if (const auto* byte = std::get_if<unsigned char>(&residues)) return *byte;
        if (lines_ == 0) first_ = line.data();
        end_ = line.data() + line.size();
        ++lines_;
        clean_ &= std::get<std::size_t>(residues) == line.size();
        length_ += std::get<std::size_t>(residues);
        return std::nullopt;
    }

    bool has_lines() const noexcept { return lines_ > 0; }

    // Gives the record the sequence read, and starts afresh for the next one.
    void finish(SequenceRecord& record) noexcept {
        if (lines_ > 0) record.text = std::string_view(first_, std::size_t(end_ - first_));
        record.wrapped = lines_ > 1 || !clean_;
        record.wrapped_length = record.wrapped ? length_ : 0;
        *this = SequenceInProgress();
    }

private:
    const char* first_ = nullptr;
    const char* end_ = nullptr;
    std::size_t lines_ = 0, length_ = 0;
    bool clean_ = true;
};

// The line feeds of a text and its bytes that a clean sequence line cannot hold (blanks,
// line ends, control bytes, DEL), counted in one sweep that vectorises: byte counters,
// emptied before they can overflow.
struct ByteCounts {
    std::size_t line_feeds, special;
};

VELBRIN_WIDE_LOOP ByteCounts count_bytes(std::string_view text) noexcept {
    constexpr std::size_t kChunk = 7 * 32;  // whole AVX2 vectors, below the counters' 255
    std::size_t line_feeds = 0, special = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size(); at += kChunk) {
        const std::size_t chunk = std::min(text.size() - at, kChunk);
        std::uint8_t chunk_feeds = 0, chunk_special = 0;
        for (std::size_t i = 0; i < chunk; ++i) {
            const unsigned char byte = bytes[at + i];
            chunk_feeds += byte == '\n';
            chunk_special += (byte <= ' ') | (byte == 0x7F);
        }
        line_feeds += chunk_feeds;
        special += chunk_special;
    }
    return {line_feeds, special};
}

// The width of the lines of `lines` (a sequence of two lines or more, with `line_feeds`
// line feeds and no other line end) when all but the last are equally long; 0 otherwise.
// The feeds are checked at their expected places only: that each is there, and that no
// other one exists, since they are counted.
std::size_t regular_line_width(std::string_view lines, std::size_t line_feeds) noexcept {
    const std::size_t width = lines.find('\n');
    if (width == 0 || width == std::string_view::npos) return 0;
    std::size_t found = 0;
    for (std::size_t at = width; at < lines.size(); at += width + 1) {
        if (lines[at] != '\n') return 0;
        ++found;
    }
    return found == line_feeds ? width : 0;
}

// The sequence lines of a record read in one sweep, in the common case: clean lines,
// each ended by "\n", up to the next header or the end of the text.  Nothing when the
// lines are anything else, which the line-by-line reading then takes.
struct SequenceBlock {
    std::size_t bytes = 0, lines = 0;  // up to the next header line
    std::string_view text;
    std::size_t residues = 0, line_feeds = 0;  // within `text`
};

std::optional<SequenceBlock> clean_sequence_block(std::string_view rest) noexcept {
    const void* header = std::memchr(rest.data(), kHeaderStart, rest.size());
    SequenceBlock block;
    block.bytes =
        header ? std::size_t(static_cast<const char*>(header) - rest.data()) : rest.size();
    const std::string_view lines = rest.substr(0, block.bytes);
    if (header && !lines.empty() && lines.back() != '\n') return std::nullopt;  // '>' in a line
    const ByteCounts counts = count_bytes(lines);
    if (counts.special != counts.line_feeds) return std::nullopt;
    block.lines = counts.line_feeds + (!lines.empty() && lines.back() != '\n');
    const std::size_t first = lines.find_first_not_of('\n');
    if (first == std::string_view::npos) return block;
    const std::size_t last = lines.find_last_not_of('\n');
    block.text = lines.substr(first, last + 1 - first);
    block.residues = lines.size() - counts.line_feeds;
    block.line_feeds = block.text.size() - block.residues;
    return block;
}

void take_block(SequenceRecord& record, const SequenceBlock& block) noexcept {
    record.text = block.text;
    if (block.line_feeds == 0) return;
    record.wrapped = true;
    record.wrapped_length = block.residues;
    record.line_width = regular_line_width(block.text, block.line_feeds);
}

// Reads FASTA from the cursor's current line on.  Blank lines may come before the
// first record; any other text there means the file is not FASTA.
SequenceOutcome read_fasta_lines(LineCursor cursor, std::string_view label,
                                 std::string_view not_this_format) {
    SequenceFile file;
    SequenceInProgress sequence;
    while (const auto line = cursor.next()) {
        if (!line->empty() && line->front() == kHeaderStart) {
            const std::string_view header = header_text(*line);
            if (const auto byte = first_binary_byte(header)) {
                return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
            }
            if (is_blank_line(header))
                return failure_at(label, cursor.line_number(), "empty header");
            if (sequence.has_lines()) sequence.finish(file.records.back());
            file.records.push_back({std::string(header), {}, cursor.line_number()});
            if (const auto block = clean_sequence_block(cursor.rest())) {
                take_block(file.records.back(), *block);
                cursor.skip(block->bytes, block->lines);
            }
            continue;
        }
        if (file.records.empty()) {
            if (const auto byte = first_binary_byte(*line)) {
                return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
            }
            if (is_blank_line(*line)) continue;
            return failure_at(label, cursor.line_number(), not_this_format);
        }
        if (const auto byte = sequence.add_line(*line)) {
            return failure_at(label, cursor.line_number(), misplaced_byte_reason(*byte));
        }
    }
    if (file.records.empty()) return failure_in(label, kNoRecords);
    if (sequence.has_lines()) sequence.finish(file.records.back());
    return file;
}

bool is_clustal_header(std::string_view line) noexcept {
    for (const std::string_view word : kClustalHeaderWords) {
        if (line.starts_with(word)) return true;
    }
    return false;
}

bool is_conservation_line(std::string_view line) noexcept {
    for (const char byte : line) {
        if (!is_blank(static_cast<unsigned char>(byte)) && byte != '*' && byte != ':' &&
            byte != '.') {
            return false;
        }
    }
    return true;
}

bool is_count(std::string_view word) noexcept {
    if (word.empty()) return false;
    for (const char byte : word) {
        if (byte < '0' || byte > '9') return false;
    }
    return true;
}

// Interleaved blocks of "name residues [count]" lines.  The first block names the
// records; every later block has the same names in the same order and all lines of a
// block carry the same number of residues.
class ClustalBlocks {
public:
    explicit ClustalBlocks(std::string_view label) noexcept : label_(label) {}

    std::optional<IoFailure> take_line(std::string_view line, std::size_t line_number) {
        if (is_blank_line(line)) return end_block();
        // A conservation line is indented by the name column.
        if (is_blank(static_cast<unsigned char>(line.front()))) {
            if (is_conservation_line(line)) return std::nullopt;
            return failure_at(label_, line_number, "unexpected text in a CLUSTAL block");
        }
        const std::string_view name = take_word(line);
        const std::string_view residues = take_word(line);
        const std::string_view count = take_word(line);
        if ((!count.empty() && !is_count(count)) || !trim_blanks(line).empty()) {
            return failure_at(label_, line_number, "unexpected text after the residues");
        }
        return take_row(name, residues, line_number);
    }

    // The records, once the last line was taken.
    SequenceOutcome finish() {
        if (auto failure = end_block()) return std::move(*failure);
        if (records_.empty()) return failure_in(label_, kNoRecords);
        return file_of_drafts(std::move(records_));
    }

private:
    std::optional<IoFailure> take_row(std::string_view name, std::string_view residues,
                                      std::size_t line_number) {
        if (row_ == 0) block_width_ = residues.size();
        if (residues.find(kHeaderStart) != std::string_view::npos) {
            return failure_at(label_, line_number, misplaced_byte_reason(kHeaderStart));
        }
        if (residues.size() != block_width_) {
            return failure_at(label_, line_number,
                              "ragged block: not as many residues as the line above");
        }
        if (first_block_) {
            records_.push_back({std::string(name), std::string(residues), line_number});
        } else {
            if (row_ >= records_.size() || records_[row_].header != name) {
                return failure_at(label_, line_number,
                                  unexpected_name_reason(name, records_, row_));
            }
            records_[row_].sequence.append(residues);
        }
        ++row_;
        last_row_line_ = line_number;
        return std::nullopt;
    }

    // A short block is reported at its last line.
    std::optional<IoFailure> end_block() {
        if (row_ == 0) return std::nullopt;
        if (!first_block_ && row_ < records_.size()) {
            std::string reason = "block lacks '";
            reason.append(records_[row_].header).append("'");
            return failure_at(label_, last_row_line_, reason);
        }
        first_block_ = false;
        row_ = 0;
        return std::nullopt;
    }

    std::string_view label_;
    std::vector<RecordDraft> records_;
    bool first_block_ = true;
    std::size_t row_ = 0;  // lines taken of the current block
    std::size_t block_width_ = 0;
    std::size_t last_row_line_ = 0;
};

SequenceOutcome read_clustal_lines(LineCursor cursor, std::string_view label) {
    ClustalBlocks blocks(label);
    while (const auto line = cursor.next()) {
        if (const auto byte = first_binary_byte(*line)) {
            return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
        }
        if (auto failure = blocks.take_line(*line, cursor.line_number()))
            return std::move(*failure);
    }
    return blocks.finish();
}

// Written without an early exit so that it vectorises.
VELBRIN_WIDE_LOOP bool has_other_gap(std::string_view sequence) noexcept {
    bool found = false;
    for (const char residue : sequence) {
        for (const char gap : kOtherGaps) found |= residue == gap;
    }
    return found;
}

// '.' and '~' become '-' (in a copy: the text read may be a read-only mapping).
void normalise_gaps(SequenceFile& file) {
    std::string scratch;
    for (SequenceRecord& record : file.records) {
        if (!has_other_gap(record.text)) continue;
        std::string& copy = file.joined.emplace_back(sequence_of(record, scratch));
        for (char& residue : copy) {
            for (const char gap : kOtherGaps) {
                if (residue == gap) residue = kGap;
            }
        }
        record.text = copy;
        record.wrapped = false;
        record.wrapped_length = record.line_width = 0;
    }
}

SequenceOutcome read_alignment_by_content(std::string_view text, std::string_view label) {
    LineCursor cursor(text);
    while (const auto line = cursor.next()) {
        if (const auto byte = first_binary_byte(*line)) {
            return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
        }
        if (is_blank_line(*line)) continue;
        if (is_clustal_header(*line)) return read_clustal_lines(cursor, label);
        if (is_stockholm_header(*line)) return read_stockholm(cursor, label);
        if (is_phylip_counts(*line)) return read_phylip(text, label);
        // Hand the whole text to the FASTA reader, which skips the same blank lines.
        return read_fasta_lines(
            LineCursor(text), label,
            "not a FASTA, CLUSTAL, Stockholm or PHYLIP alignment: text before the first '>'");
    }
    return failure_in(label, kNoRecords);
}

// Appends the residues of `lines` (a wrapped record's text): every byte but line ends and
// blanks, a clean line at a time.
void append_joined(std::string& out, std::string_view lines) {
    while (!lines.empty()) {
        const std::size_t feed = std::min(lines.find('\n'), lines.size());
        std::string_view line = lines.substr(0, feed);
        lines.remove_prefix(std::min(feed + 1, lines.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!needs_cleaning(line)) {
            out.append(line);
            continue;
        }
        for (const char byte : line) {
            if (!is_blank(static_cast<unsigned char>(byte))) out.push_back(byte);
        }
    }
}

}  // namespace

std::string_view sequence_of(const SequenceRecord& record, std::string& scratch) {
    if (!record.wrapped) return record.text;
    const std::size_t width = record.line_width;
    if (width == 0) {
        scratch.clear();
        scratch.reserve(record.wrapped_length);
        append_joined(scratch, record.text);
        return scratch;
    }
    // Lines of one width: no line end need be searched for.  The scratch only grows (its
    // bytes past the sequence are left as they are), so no byte is written twice.
    if (scratch.size() < record.wrapped_length) scratch.resize(record.wrapped_length);
    char* out = scratch.data();
    const std::string_view text = record.text;
    for (std::size_t at = 0; at < text.size(); at += width + 1) {
        const std::size_t line = std::min(width, text.size() - at);
        std::memcpy(out, text.data() + at, line);
        out += line;
    }
    return {scratch.data(), std::size_t(out - scratch.data())};
}

SequenceOutcome read_fasta(std::string_view text, std::string_view label) {
    return read_fasta_lines(LineCursor(text), label, "not a FASTA file: text before the first '>'");
}

SequenceOutcome read_alignment(std::string_view text, std::string_view label) {
    SequenceOutcome outcome = read_alignment_by_content(text, label);
    if (auto* file = std::get_if<SequenceFile>(&outcome)) normalise_gaps(*file);
    return outcome;
}

}  // namespace velbrin::io
