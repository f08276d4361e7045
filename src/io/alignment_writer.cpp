#include "io/alignment_writer.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "io/text_lines.hpp"

namespace velbrin::io {
namespace {

constexpr std::array<std::pair<std::string_view, OutputFormat>, 4> kFormatNames = {{
    {"fasta", OutputFormat::fasta},
    {"phylip", OutputFormat::phylip},
    {"paml", OutputFormat::paml},
    {"clustal", OutputFormat::clustal},
}};

constexpr std::string_view kClustalHeader = "CLUSTAL W multiple sequence alignment\n\n";
constexpr std::size_t kClustalColumns = 60;
constexpr std::size_t kClustalNameGap = 4;  // blanks between the longest name and its residues
constexpr std::string_view kPamlSeparator = "  ";
constexpr std::size_t kMaxDecimalDigits = 20;

void append_number(std::string& out, std::size_t number) {
    char digits[kMaxDecimalDigits];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

std::size_t longest_codons(std::span<const AlignedRecord> records) noexcept {
    std::size_t longest = 0;
    for (const AlignedRecord& record : records) longest = std::max(longest, record.codons.size());
    return longest;
}

void append_wrapped(std::string& out, std::string_view text, std::size_t width) {
    if (width == 0 || text.size() <= width) {
        out.append(text).push_back('\n');
        return;
    }
    for (std::size_t start = 0; start < text.size(); start += width) {
        out.append(text.substr(start, width)).push_back('\n');
    }
}

void write_fasta(std::string& out, std::span<const AlignedRecord> records, std::size_t width) {
    std::size_t size = 0;
    for (const AlignedRecord& record : records) {
        const std::size_t lines = width == 0 ? 1 : record.codons.size() / width + 1;
        size += record.header.size() + 2 + record.codons.size() + lines;
    }
    out.reserve(out.size() + size);
    for (const AlignedRecord& record : records) {
        out.append(">").append(record.header).push_back('\n');
        append_wrapped(out, record.codons, width);
    }
}

// One record per line after a counts line: "name<separator>codons".
void write_sequential(std::string& out, std::span<const AlignedRecord> records,
                      std::string_view counts_indent, std::string_view separator) {
    std::size_t size = 2 * (counts_indent.size() + kMaxDecimalDigits) + 2;
    for (const AlignedRecord& record : records) {
        size += record_name(record.header).size() + separator.size() + record.codons.size() + 1;
    }
    out.reserve(out.size() + size);
    out.append(counts_indent);
    append_number(out, records.size());
    out.append(counts_indent.empty() ? " " : counts_indent);
    append_number(out, longest_codons(records));
    out.push_back('\n');
    for (const AlignedRecord& record : records) {
        out.append(record_name(record.header))
            .append(separator)
            .append(record.codons)
            .push_back('\n');
    }
}

void write_clustal(std::string& out, std::span<const AlignedRecord> records) {
    std::size_t name_width = 0;
    for (const AlignedRecord& record : records) {
        name_width = std::max(name_width, record_name(record.header).size());
    }
    name_width += kClustalNameGap;
    const std::size_t columns = longest_codons(records);
    const std::size_t blocks =
        std::max<std::size_t>(1, (columns + kClustalColumns - 1) / kClustalColumns);
    out.reserve(out.size() + kClustalHeader.size() +
                blocks * (records.size() * (name_width + 1) + 1) + records.size() * columns);
    out.append(kClustalHeader);
    // An alignment without columns still names its records in one block.
    for (std::size_t block = 0; block < blocks; ++block) {
        if (block > 0) out.push_back('\n');
        const std::size_t start = block * kClustalColumns;
        for (const AlignedRecord& record : records) {
            const std::string_view name = record_name(record.header);
            out.append(name).append(name_width - name.size(), ' ');
            if (start < record.codons.size())
                out.append(record.codons.substr(start, kClustalColumns));
            out.push_back('\n');
        }
    }
}

}  // namespace

std::optional<OutputFormat> output_format_named(std::string_view name) noexcept {
    for (const auto& [format_name, format] : kFormatNames) {
        if (name == format_name) return format;
    }
    return std::nullopt;
}

std::string_view record_name(std::string_view header) noexcept {
    header = trim_blanks(header);
    std::size_t end = 0;
    while (end < header.size() && !is_blank(static_cast<unsigned char>(header[end]))) ++end;
    return header.substr(0, end);
}

void write_alignment(std::string& out, OutputFormat format, std::span<const AlignedRecord> records,
                     std::size_t fasta_width) {
    switch (format) {
        case OutputFormat::fasta: write_fasta(out, records, fasta_width); return;
        case OutputFormat::phylip: write_sequential(out, records, "", " "); return;
        case OutputFormat::paml: write_sequential(out, records, "  ", kPamlSeparator); return;
        case OutputFormat::clustal: write_clustal(out, records); return;
    }
}

}  // namespace velbrin::io
