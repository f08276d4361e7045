#include "io/alignment_writer.hpp"

#include <algorithm>
#include <unordered_map>

#include "hashing/keyed_text_hash.hpp"
#include "io/text_lines.hpp"

namespace velbrin::io {
namespace {

constexpr std::string_view kClustalHeader = "CLUSTAL W multiple sequence alignment\n\n";
constexpr std::size_t kClustalColumns = 60;
constexpr std::size_t kClustalNameGap = 4;  // blanks between the longest name and its residues
constexpr std::string_view kPamlSeparator = "  ";
constexpr std::size_t kStrictNameWidth = 10;
constexpr std::size_t kCodonPositions = 3;
// Characters that end a NEXUS word; a name holding one (or a quote) is quoted.
constexpr std::string_view kNexusPunctuation = "()[]{}/\\,;:=*'\"`+-<>";

std::size_t longest_codons(std::span<const AlignedRecord> records) noexcept {
    std::size_t longest = 0;
    for (const AlignedRecord& record : records) longest = std::max(longest, record.codons.size());
    return longest;
}

void append_wrapped(BufferedWriter& out, std::string_view text, std::size_t width) {
    if (width == 0 || text.size() <= width) {
        out.append(text);
        out.append('\n');
        return;
    }
    for (std::size_t start = 0; start < text.size(); start += width) {
        out.append(text.substr(start, width));
        out.append('\n');
    }
}

void write_counts(BufferedWriter& out, std::size_t records, std::size_t characters,
                  std::string_view indent) {
    out.append(indent);
    out.append_number(records);
    out.append(indent.empty() ? " " : indent);
    out.append_number(characters);
    out.append('\n');
}

std::string_view strict_name(const AlignedRecord& record) noexcept {
    return record_name(record.header).substr(0, kStrictNameWidth);
}

void write_clustal(BufferedWriter& out, std::span<const AlignedRecord> records) {
    std::size_t name_width = 0;
    for (const AlignedRecord& record : records) {
        name_width = std::max(name_width, record_name(record.header).size());
    }
    name_width += kClustalNameGap;
    const std::size_t columns = longest_codons(records);
    const std::size_t blocks =
        std::max<std::size_t>(1, (columns + kClustalColumns - 1) / kClustalColumns);
    out.append(kClustalHeader);
    // An alignment without columns still names its records in one block.
    for (std::size_t block = 0; block < blocks; ++block) {
        if (block > 0) out.append('\n');
        const std::size_t start = block * kClustalColumns;
        for (const AlignedRecord& record : records) {
            const std::string_view name = record_name(record.header);
            out.append(name);
            out.append_repeated(name_width - name.size(), ' ');
            if (start < record.codons.size())
                out.append(record.codons.substr(start, kClustalColumns));
            out.append('\n');
        }
    }
}

bool needs_nexus_quotes(std::string_view name) noexcept {
    return name.empty() || std::any_of(name.begin(), name.end(), [](char letter) {
               const auto byte = static_cast<unsigned char>(letter);
               return byte <= ' ' || byte == 0x7F ||
                      kNexusPunctuation.find(letter) != std::string_view::npos;
           });
}

// A NEXUS word: as it is when it can be, else in single quotes, each quote doubled.
void append_nexus_name(BufferedWriter& out, std::string_view name) {
    if (!needs_nexus_quotes(name)) {
        out.append(name);
        return;
    }
    out.append('\'');
    for (const char letter : name) {
        if (letter == '\'') out.append('\'');
        out.append(letter);
    }
    out.append('\'');
}

void write_nexus_head(BufferedWriter& out, std::size_t records, std::size_t characters) {
    out.append("#NEXUS\n\nBEGIN DATA;\n  DIMENSIONS NTAX=");
    out.append_number(records);
    out.append(" NCHAR=");
    out.append_number(characters);
    out.append(";\n  FORMAT DATATYPE=DNA GAP=- MISSING=?;\n  MATRIX\n");
}

void write_nexus_tail(BufferedWriter& out, std::size_t characters) {
    out.append("  ;\nEND;\n");
    if (characters < kCodonPositions) return;
    out.append("\nBEGIN SETS;\n");
    for (std::size_t position = 1; position <= kCodonPositions; ++position) {
        out.append("  CHARSET codon_position_");
        out.append_number(position);
        out.append(" = ");
        out.append_number(position);
        out.append('-');
        out.append_number(characters);
        out.append("\\3;\n");
    }
    out.append("END;\n");
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

std::string_view record_name(std::string_view header) noexcept {
    header = trim_blanks(header);
    std::size_t end = 0;
    while (end < header.size() && !is_blank(static_cast<unsigned char>(header[end]))) ++end;
    return header.substr(0, end);
}

std::optional<std::string> unwritable_names(OutputFormat format,
                                            std::span<const AlignedRecord> records) {
    if (format != OutputFormat::phylip_strict) return std::nullopt;
    std::unordered_map<std::string_view, std::string_view, hashing::KeyedTextHash> first_named;
    first_named.reserve(records.size());
    for (const AlignedRecord& record : records) {
        const auto [earlier, added] =
            first_named.try_emplace(strict_name(record), record_name(record.header));
        if (added) continue;
        return "the names " + quoted(earlier->second) + " and " +
               quoted(record_name(record.header)) + " are both " + quoted(earlier->first) +
               " when cut to 10 characters for phylip-strict; use --format phylip or fasta";
    }
    return std::nullopt;
}

RowWriter::RowWriter(BufferedWriter& out, OutputFormat format, std::size_t fasta_width,
                     std::size_t records, std::size_t characters)
    : out_(out), format_(format), fasta_width_(fasta_width), characters_(characters) {
    switch (format) {
        case OutputFormat::phylip: write_counts(out, records, characters, ""); return;
        case OutputFormat::phylip_strict: write_counts(out, records, characters, " "); return;
        case OutputFormat::paml: write_counts(out, records, characters, "  "); return;
        case OutputFormat::nexus: write_nexus_head(out, records, characters); return;
        case OutputFormat::fasta:
        case OutputFormat::clustal: return;
    }
}

void RowWriter::row(const AlignedRecord& record) {
    switch (format_) {
        case OutputFormat::fasta:
            out_.append('>');
            out_.append(record.header);
            out_.append('\n');
            append_wrapped(out_, record.codons, fasta_width_);
            return;
        case OutputFormat::phylip:
        case OutputFormat::paml:
            out_.append(record_name(record.header));
            out_.append(format_ == OutputFormat::paml ? kPamlSeparator : " ");
            break;
        case OutputFormat::phylip_strict: {
            // The name in a field of ten characters.
            const std::string_view name = strict_name(record);
            out_.append(name);
            out_.append_repeated(kStrictNameWidth - name.size(), ' ');
            break;
        }
        case OutputFormat::nexus:
            out_.append("    ");
            append_nexus_name(out_, record_name(record.header));
            out_.append("  ");
            break;
        case OutputFormat::clustal: return;  // never written row by row
    }
    out_.append(record.codons);
    out_.append('\n');
}

void RowWriter::finish() {
    if (format_ == OutputFormat::nexus) write_nexus_tail(out_, characters_);
}

void write_alignment(BufferedWriter& out, OutputFormat format,
                     std::span<const AlignedRecord> records, std::size_t fasta_width) {
    if (!writes_row_by_row(format)) {
        write_clustal(out, records);
        return;
    }
    RowWriter writer(out, format, fasta_width, records.size(), longest_codons(records));
    for (const AlignedRecord& record : records) writer.row(record);
    writer.finish();
}

void write_alignment(std::string& out, OutputFormat format, std::span<const AlignedRecord> records,
                     std::size_t fasta_width) {
    BufferedWriter writer([&out](std::string_view bytes) -> std::optional<IoFailure> {
        out.append(bytes);
        return std::nullopt;
    });
    write_alignment(writer, format, records, fasta_width);
    writer.finish();
}

}  // namespace velbrin::io
