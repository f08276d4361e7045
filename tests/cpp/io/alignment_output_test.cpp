#include "io/alignment_output.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace velbrin::io {
namespace {

namespace fs = std::filesystem;

// The formats as they were written whole into one string before output was streamed:
// the reference the streamed files must match byte for byte.
std::string reference_output(OutputFormat format, std::span<const AlignedRecord> records,
                             std::size_t width) {
    std::string out;
    std::size_t columns = 0, name_width = 0;
    for (const AlignedRecord& record : records) {
        columns = std::max(columns, record.codons.size());
        name_width = std::max(name_width, record_name(record.header).size() + 4);
    }
    const auto sequential = [&](std::string_view indent, std::string_view separator) {
        out += std::string(indent) + std::to_string(records.size()) +
               std::string(indent.empty() ? " " : indent) + std::to_string(columns) + "\n";
        for (const AlignedRecord& record : records)
            out += std::string(record_name(record.header)) + std::string(separator) +
                   std::string(record.codons) + "\n";
    };
    switch (format) {
        case OutputFormat::fasta:
            for (const AlignedRecord& record : records) {
                out += ">" + std::string(record.header) + "\n";
                const std::size_t step =
                    width == 0 ? std::max<std::size_t>(record.codons.size(), 1) : width;
                if (record.codons.empty()) out += "\n";
                for (std::size_t at = 0; at < record.codons.size(); at += step)
                    out += std::string(record.codons.substr(at, step)) + "\n";
            }
            break;
        case OutputFormat::phylip: sequential("", " "); break;
        case OutputFormat::paml: sequential("  ", "  "); break;
        case OutputFormat::clustal:
            out += "CLUSTAL W multiple sequence alignment\n\n";
            for (std::size_t start = 0; start == 0 || start < columns; start += 60) {
                if (start > 0) out += "\n";
                for (const AlignedRecord& record : records) {
                    const std::string name(record_name(record.header));
                    out += name + std::string(name_width - name.size(), ' ');
                    if (start < record.codons.size())
                        out += std::string(record.codons.substr(start, 60));
                    out += "\n";
                }
            }
            break;
        default: ADD_FAILURE() << "no reference for this format";
    }
    return out;
}

// Families of many short rows and of few rows longer than the buffer.
std::vector<std::string> generated_rows(std::size_t count, std::size_t codons, unsigned seed) {
    std::mt19937 random(seed);
    constexpr std::string_view kBases = "ACGTRYN";
    std::vector<std::string> rows(count);
    for (std::string& row : rows) {
        for (std::size_t codon = 0; codon < codons; ++codon) {
            if (random() % 9 == 0) {
                row += "---";
                continue;
            }
            for (int base = 0; base < 3; ++base) row += kBases[random() % kBases.size()];
        }
    }
    return rows;
}

TEST(StreamedAlignmentFile, MatchesTheWholeStringOutputByteForByte) {
    const fs::path folder =
        fs::path(testing::TempDir()) / ("velbrin_streamed_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    struct Family {
        std::size_t records, codons;
    };
    for (const Family family : {Family{300, 41}, Family{3, 150'000}, Family{1, 0}}) {
        const std::vector<std::string> rows = generated_rows(family.records, family.codons, 7);
        std::vector<std::string> headers;
        for (std::size_t i = 0; i < rows.size(); ++i)
            headers.push_back("rec" + std::to_string(i * 37) + " description " + std::to_string(i));
        std::vector<AlignedRecord> records;
        for (std::size_t i = 0; i < rows.size(); ++i) records.push_back({headers[i], rows[i]});
        for (const OutputFormat format : {OutputFormat::fasta, OutputFormat::phylip,
                                          OutputFormat::paml, OutputFormat::clustal}) {
            for (const std::size_t width : {0u, 60u, 61u}) {
                const fs::path path = folder / "out";
                ASSERT_FALSE(write_alignment_file(path.string(), false, {format, width}, records));
                std::ostringstream written;
                written << std::ifstream(path, std::ios::binary).rdbuf();
                ASSERT_EQ(written.str(), reference_output(format, records, width))
                    << output_format_info(format).name << " " << family.records << "x"
                    << family.codons << " width " << width;
                if (format != OutputFormat::fasta) break;
            }
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace velbrin::io
