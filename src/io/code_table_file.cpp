#include "io/code_table_file.hpp"

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "io/text_lines.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::io {
namespace {

constexpr char kCommentStart = '#';
constexpr std::size_t kCodonLength = 3;
constexpr std::string_view kStartKeyword = "start";

constexpr bool is_separator(unsigned char byte) noexcept { return is_blank(byte) || byte == ','; }

constexpr bool is_ascii_letter(char byte) noexcept {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// Splits off the next word between blanks and commas; empty at the end of the line.
std::string_view take_field(std::string_view& line) noexcept {
    std::size_t start = 0;
    while (start < line.size() && is_separator(static_cast<unsigned char>(line[start]))) ++start;
    std::size_t end = start;
    while (end < line.size() && !is_separator(static_cast<unsigned char>(line[end]))) ++end;
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

bool is_codon(std::string_view field) noexcept {
    return field.size() == kCodonLength && is_ascii_letter(field[0]) && is_ascii_letter(field[1]) &&
           is_ascii_letter(field[2]);
}

std::string quoted(std::string_view text, std::string_view after) {
    std::string reason;
    reason.reserve(text.size() + 2 + after.size());
    reason.append("'").append(text).append("'").append(after);
    return reason;
}

class CodeTableBuilder {
public:
    explicit CodeTableBuilder(std::string_view label) noexcept : label_(label) {}

    std::optional<IoFailure> take_line(std::string_view line, std::size_t line_number) {
        if (const auto byte = first_binary_byte(line)) {
            return failure_at(label_, line_number, binary_data_reason(*byte));
        }
        line = line.substr(0, line.find(kCommentStart));
        const std::string_view symbol_text = take_field(line);
        if (symbol_text.empty()) return std::nullopt;
        if (symbol_text == kStartKeyword) return take_start_line(line, line_number);
        const text::Utf8Char symbol = text::decode_utf8_char(symbol_text);
        if (symbol.length == 0 || symbol.length != symbol_text.size()) {
            return failure_at(label_, line_number,
                              quoted(symbol_text, " is not one amino-acid character"));
        }
        const auto [first, inserted] = first_lines_.try_emplace(symbol.code_point, line_number);
        if (!inserted) {
            return failure_at(label_, line_number,
                              quoted(symbol_text, " is given twice (first on line " +
                                                      std::to_string(first->second) + ")"));
        }
        std::vector<std::string> codons;
        while (true) {
            const std::string_view field = take_field(line);
            if (field.empty()) break;
            if (!is_codon(field))
                return failure_at(label_, line_number,
                                  quoted(field, " is not a codon of three letters"));
            codons.emplace_back(field);
        }
        if (codons.empty())
            return failure_at(label_, line_number, quoted(symbol_text, " has no codons"));
        table_.insert_or_replace(symbol.code_point, std::move(codons));
        return std::nullopt;
    }

    std::variant<codon::CustomCodonTable, IoFailure> finish(codon::StartCodons* starts) {
        if (table_.empty()) return failure_in(label_, "no amino acids in the genetic code");
        if (starts) *starts = starts_;
        return std::move(table_);
    }

private:
    // The codons after "start": plain bases only, as a start codon is matched exactly.
    std::optional<IoFailure> take_start_line(std::string_view line, std::size_t line_number) {
        if (start_line_ != 0) {
            return failure_at(
                label_, line_number,
                "'start' is given twice (first on line " + std::to_string(start_line_) + ")");
        }
        start_line_ = line_number;
        while (true) {
            const std::string_view field = take_field(line);
            if (field.empty()) break;
            if (!starts_.insert(field))
                return failure_at(label_, line_number,
                                  quoted(field, " is not a start codon of plain bases"));
        }
        if (starts_.empty())
            return failure_at(label_, line_number, quoted(kStartKeyword, " has no codons"));
        return std::nullopt;
    }

    std::string_view label_;
    codon::CustomCodonTable table_;
    std::map<char32_t, std::size_t> first_lines_;  // symbol to the line that gave it
    codon::StartCodons starts_;
    std::size_t start_line_ = 0;  // the line of "start", 0 before it
};

}  // namespace

std::variant<codon::CustomCodonTable, IoFailure> read_code_table(std::string_view text,
                                                                 std::string_view label,
                                                                 codon::StartCodons* starts) {
    CodeTableBuilder builder(label);
    LineCursor cursor(text);
    while (const auto line = cursor.next()) {
        if (auto failure = builder.take_line(*line, cursor.line_number()))
            return std::move(*failure);
    }
    return builder.finish(starts);
}

}  // namespace velbrin::io
