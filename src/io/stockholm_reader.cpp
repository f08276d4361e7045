#include "io/stockholm_reader.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "io/record_drafts.hpp"

namespace velbrin::io {
namespace {

constexpr std::string_view kHeader = "# STOCKHOLM";
constexpr std::string_view kEnd = "//";
constexpr char kAnnotationStart = '#';

// The records in the order the first block names them.  The first block ends at a blank
// line or where its first name comes round again; every later block names the same
// records in the same order.
class StockholmBlocks {
public:
    explicit StockholmBlocks(std::string_view label) noexcept : label_(label) {}

    std::optional<IoFailure> take_row(std::string_view line, std::size_t line_number) {
        const std::string_view name = take_word(line);
        const std::string_view residues = take_word(line);
        if (residues.empty()) return failure_at(label_, line_number, "a name without residues");
        if (!trim_blanks(line).empty())
            return failure_at(label_, line_number, "unexpected text after the residues");
        if (const auto byte = first_misplaced_byte(residues))
            return failure_at(label_, line_number, misplaced_byte_reason(*byte));
        if (first_block_ && (drafts_.empty() || drafts_.front().header != name)) {
            drafts_.push_back({std::string(name), std::string(residues), line_number});
            return std::nullopt;
        }
        first_block_ = false;
        if (drafts_[row_].header != name)
            return failure_at(label_, line_number, unexpected_name_reason(name, drafts_, row_));
        drafts_[row_].sequence.append(residues);
        row_ = row_ + 1 == drafts_.size() ? 0 : row_ + 1;
        last_row_line_ = line_number;
        return std::nullopt;
    }

    void take_blank_line() noexcept {
        if (!drafts_.empty()) first_block_ = false;
    }

    SequenceOutcome finish(std::size_t end_line) {
        if (drafts_.empty()) return failure_at(label_, end_line, kNoRecords);
        if (row_ != 0) {
            return failure_at(label_, last_row_line_, "block lacks '" + drafts_[row_].header + "'");
        }
        return file_of_drafts(std::move(drafts_));
    }

private:
    std::string_view label_;
    std::vector<RecordDraft> drafts_;
    bool first_block_ = true;
    std::size_t row_ = 0;  // the record the next row of a later block belongs to
    std::size_t last_row_line_ = 0;
};

}  // namespace

bool is_stockholm_header(std::string_view line) noexcept { return line.starts_with(kHeader); }

SequenceOutcome read_stockholm(LineCursor cursor, std::string_view label) {
    StockholmBlocks blocks(label);
    while (const auto line = cursor.next()) {
        if (const auto byte = first_binary_byte(*line))
            return failure_at(label, cursor.line_number(), binary_data_reason(*byte));
        if (is_blank_line(*line)) {
            blocks.take_blank_line();
            continue;
        }
        if (line->front() == kAnnotationStart) continue;
        if (trim_blanks(*line) == kEnd) {
            const std::size_t end_line = cursor.line_number();
            // A file of several alignments is not one family's peptides.
            while (const auto after = cursor.next()) {
                if (!is_blank_line(*after)) {
                    return failure_at(label, cursor.line_number(),
                                      "text after the end of the alignment ('//')");
                }
            }
            return blocks.finish(end_line);
        }
        if (auto failure = blocks.take_row(*line, cursor.line_number())) return std::move(*failure);
    }
    return failure_in(label, "no '//' at the end of the Stockholm alignment (a truncated file?)");
}

}  // namespace velbrin::io
