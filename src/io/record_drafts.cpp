#include "io/record_drafts.hpp"

#include <utility>

#include "io/text_lines.hpp"

namespace velbrin::io {

SequenceFile file_of_drafts(std::vector<RecordDraft> drafts) {
    SequenceFile file;
    file.records.reserve(drafts.size());
    for (RecordDraft& draft : drafts) {
        const std::string& sequence = file.joined.emplace_back(std::move(draft.sequence));
        file.records.push_back({std::move(draft.header), sequence, draft.line});
    }
    return file;
}

std::string misplaced_byte_reason(unsigned char byte) {
    if (byte == kHeaderStart) return "'>' inside a sequence (a header starts its line)";
    return binary_data_reason(byte);
}

std::optional<unsigned char> first_misplaced_byte(std::string_view residues) noexcept {
    for (const char byte : residues) {
        const auto value = static_cast<unsigned char>(byte);
        if (is_binary(value) || byte == kHeaderStart) return value;
    }
    return std::nullopt;
}

std::string_view take_word(std::string_view& line) noexcept {
    line = trim_blanks(line);
    std::size_t end = 0;
    while (end < line.size() && !is_blank(static_cast<unsigned char>(line[end]))) ++end;
    const std::string_view word = line.substr(0, end);
    line.remove_prefix(end);
    return word;
}

std::string unexpected_name_reason(std::string_view name, const std::vector<RecordDraft>& drafts,
                                   std::size_t row) {
    std::string reason = "'";
    reason.append(name).append("' where the block ");
    if (row < drafts.size()) {
        reason.append("expects '").append(drafts[row].header).append("'");
    } else {
        reason.append("has no more names");
    }
    return reason;
}

}  // namespace velbrin::io
