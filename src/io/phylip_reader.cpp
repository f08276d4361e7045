#include "io/phylip_reader.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>
#include <vector>

#include "io/record_drafts.hpp"
#include "io/text_lines.hpp"

namespace velbrin::io {
namespace {

struct Counts {
    std::size_t records = 0;
    std::size_t residues = 0;
};

std::optional<std::size_t> count_of(std::string_view word) noexcept {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || word.empty()) return {};
    return value;
}

std::optional<Counts> counts_of(std::string_view line) noexcept {
    const auto records = count_of(take_word(line));
    const auto residues = count_of(take_word(line));
    if (!records || !residues || !trim_blanks(line).empty()) return std::nullopt;
    return Counts{*records, *residues};
}

// The next line that is not blank, or nothing at the end.
std::optional<std::string_view> next_filled(LineCursor& cursor) noexcept {
    while (const auto line = cursor.next()) {
        if (!is_blank_line(*line)) return line;
    }
    return std::nullopt;
}

std::string length_reason(const RecordDraft& draft, std::size_t expected) {
    return "'" + draft.header + "' has " + std::to_string(draft.sequence.size()) +
           " residues where the counts line says " + std::to_string(expected);
}

// One way of reading the records after the counts line.
class PhylipLayout {
public:
    PhylipLayout(LineCursor cursor, Counts counts, std::string_view label, std::size_t text_size)
        : cursor_(cursor), counts_(counts), label_(label) {
        // A counts line may claim anything: reserve no more than the text can hold.
        drafts_.reserve(std::min(counts.records, text_size / 2));
    }

    SequenceOutcome sequential() {
        for (std::size_t record = 0; record < counts_.records; ++record) {
            if (auto failure = take_named_line()) return std::move(*failure);
            RecordDraft& draft = drafts_.back();
            while (draft.sequence.size() < counts_.residues) {
                const auto line = next_filled(cursor_);
                if (!line)
                    return failure_at(label_, draft.line, length_reason(draft, counts_.residues));
                if (auto failure = append_residues(draft, *line)) return std::move(*failure);
            }
            if (draft.sequence.size() > counts_.residues)
                return failure_at(label_, draft.line, length_reason(draft, counts_.residues));
        }
        return finish_after_records();
    }

    SequenceOutcome interleaved() {
        for (std::size_t record = 0; record < counts_.records; ++record) {
            if (auto failure = take_named_line()) return std::move(*failure);
        }
        std::size_t row = 0;
        while (const auto line = next_filled(cursor_)) {
            RecordDraft& draft = drafts_[row];
            if (auto failure = append_residues(draft, *line)) return std::move(*failure);
            if (draft.sequence.size() > counts_.residues)
                return failure_at(label_, cursor_.line_number(),
                                  length_reason(draft, counts_.residues));
            row = row + 1 == drafts_.size() ? 0 : row + 1;
        }
        for (const RecordDraft& draft : drafts_) {
            if (draft.sequence.size() != counts_.residues)
                return failure_at(label_, draft.line, length_reason(draft, counts_.residues));
        }
        return file_of_drafts(std::move(drafts_));
    }

    // Residues on the first record's line: a sequential file's first line usually
    // holds them all, an interleaved file's never does (unless one block holds all).
    std::size_t first_line_residues() const noexcept { return first_line_residues_; }

private:
    std::optional<IoFailure> take_named_line() {
        const auto line = next_filled(cursor_);
        if (!line) {
            return failure_in(label_, "the counts line says " + std::to_string(counts_.records) +
                                          " records, the file has " +
                                          std::to_string(drafts_.size()));
        }
        std::string_view rest = *line;
        const std::string_view name = take_word(rest);
        drafts_.push_back({std::string(name), {}, cursor_.line_number()});
        auto failure = append_residues(drafts_.back(), rest);
        if (drafts_.size() == 1) first_line_residues_ = drafts_.back().sequence.size();
        return failure;
    }

    std::optional<IoFailure> append_residues(RecordDraft& draft, std::string_view line) {
        for (const char byte : line) {
            const auto value = static_cast<unsigned char>(byte);
            if (is_binary(value) || byte == kHeaderStart)
                return failure_at(label_, cursor_.line_number(), misplaced_byte_reason(value));
            if (!is_blank(value)) draft.sequence += byte;
        }
        return std::nullopt;
    }

    SequenceOutcome finish_after_records() {
        if (next_filled(cursor_)) {
            return failure_at(label_, cursor_.line_number(),
                              "more text than the " + std::to_string(counts_.records) +
                                  " records of the counts line");
        }
        return file_of_drafts(std::move(drafts_));
    }

    LineCursor cursor_;
    Counts counts_;
    std::string_view label_;
    std::vector<RecordDraft> drafts_;
    std::size_t first_line_residues_ = 0;
};

// A file may be read twice (sequential, then interleaved), so control bytes are refused
// once, up front, wherever they stand.
std::optional<IoFailure> binary_line(std::string_view text, std::string_view label) {
    LineCursor cursor(text);
    while (const auto line = cursor.next()) {
        if (const auto byte = first_binary_byte(*line))
            return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
    }
    return std::nullopt;
}

}  // namespace

bool is_phylip_counts(std::string_view line) noexcept { return counts_of(line).has_value(); }

SequenceOutcome read_phylip(std::string_view text, std::string_view label) {
    if (auto failure = binary_line(text, label)) return std::move(*failure);
    LineCursor cursor(text);
    const auto counts_line = next_filled(cursor);
    const auto counts = counts_line ? counts_of(*counts_line) : std::nullopt;
    if (!counts) return failure_in(label, "no PHYLIP counts line");
    if (counts->records == 0) return failure_at(label, cursor.line_number(), kNoRecords);
    PhylipLayout as_sequential(cursor, *counts, label, text.size());
    SequenceOutcome outcome = as_sequential.sequential();
    if (std::holds_alternative<SequenceFile>(outcome) || counts->records == 1) return outcome;
    PhylipLayout as_interleaved(cursor, *counts, label, text.size());
    SequenceOutcome interleaved = as_interleaved.interleaved();
    if (std::holds_alternative<SequenceFile>(interleaved) ||
        as_sequential.first_line_residues() < counts->residues) {
        return interleaved;
    }
    return outcome;
}

}  // namespace velbrin::io
