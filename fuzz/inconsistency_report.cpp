// The window report of a peptide/nucleotide inconsistency, for any position, any genetic
// code and any texts: it is valid UTF-8, keeps its line layout (headers, windows whose
// bounds follow the position, a marker line of whole underlined codons), and framed in
// an error block it is one block.
//
// Input lines (see fuzz/corpus/inconsistency_report):
//   <position> none|ncbi <table number>|custom <mark: 0 or 1>
//   <aa label>|<aa header>|<aligned peptide>
//   <nt label>|<nt header>|<nucleotides>
//   <symbol>=<codon>,<codon>,...                  custom table entries

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "diagnostics/error_block.hpp"
#include "diagnostics/inconsistency_report.hpp"
#include "fuzz_input.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/genetic_code.hpp"
#include "genetic_code/genetic_code_ref.hpp"
#include "reference_model.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::fuzz {
namespace {

struct ReportInput {
    std::size_t position = 0;
    bool mark = false;
    codon::GeneticCodeRef code;
    codon::CustomCodonTable table;
    std::string aa_label, aa_header, residues;
    std::string nt_label, nt_header, nt_seq;
};

// As the translator hands them over: the normalised peptide without gaps, the
// normalised nucleotides and the truncated headers.
void read_texts(ReportInput& input, const std::vector<std::string_view>& lines) {
    const std::vector<std::string_view> peptide = split(lines.size() > 1 ? lines[1] : "", '|');
    const std::vector<std::string_view> nucleotides = split(lines.size() > 2 ? lines[2] : "", '|');
    input.aa_label = as_utf8(field(peptide, 0));
    input.aa_header = diagnostics::truncate_header(as_utf8(field(peptide, 1)));
    input.residues = model::normalised_peptide(as_utf8(field(peptide, 2)));
    std::erase(input.residues, '-');
    input.nt_label = as_utf8(field(nucleotides, 0));
    input.nt_header = diagnostics::truncate_header(as_utf8(field(nucleotides, 1)));
    input.nt_seq = model::normalised_nucleotides(as_utf8(field(nucleotides, 2)));
}

void read_table(ReportInput& input, const std::vector<std::string_view>& lines) {
    for (std::size_t i = 3; i < lines.size(); ++i) {
        const std::size_t equals = lines[i].find('=');
        if (equals == std::string_view::npos) continue;
        const std::string symbol = as_utf8(lines[i].substr(0, equals));
        const text::Utf8Char character = text::decode_utf8_char(symbol);
        if (character.length == 0) continue;
        std::vector<std::string> codons;
        const std::string_view listed = lines[i].substr(equals + 1);
        if (!listed.empty()) {
            for (const std::string_view codon : split(listed, ','))
                codons.push_back(as_utf8(codon));
        }
        input.table.insert_or_replace(character.code_point, std::move(codons));
    }
}

ReportInput read_input(std::string_view data) {
    ReportInput input;
    const std::vector<std::string_view> lines = split(data, '\n');
    const std::vector<std::string_view> words = split(lines[0], ' ');
    // Negative numbers stand for positions near the top of the range.
    input.position = static_cast<std::size_t>(parse_integer(field(words, 0)));
    const std::string_view code = field(words, 1);
    std::size_t mark_word = 2;
    if (code == "ncbi") {
        const auto number = static_cast<std::int32_t>(parse_integer(field(words, 2)));
        mark_word = 3;
        if (const auto table = codon::ncbi_table(number)) input.code = codon::NcbiCode{*table};
    } else if (code == "custom") {
        input.code = codon::CustomCode{&input.table};
    }
    input.mark = field(words, mark_word) == "1";
    read_texts(input, lines);
    read_table(input, lines);
    return input;
}

// The bounds the window header lines must show.
struct Windows {
    std::size_t start = 0, end = 0, nt_start = 0, nt_end = 0;
};

Windows windows_of(const ReportInput& input) {
    Windows w;
    const std::size_t m = input.residues.size();
    if (m > 0) {
        const std::size_t p = std::min(input.position, m - 1);
        w.start = p > 10 ? p - 10 : 0;
        w.end = std::min(p + 11, m);
    }
    w.nt_end = std::min(3 * w.end, input.nt_seq.size());
    w.nt_start = std::min(3 * w.start, w.nt_end);
    return w;
}

std::string spaced(std::string_view letters) {
    std::string track;
    for (std::size_t i = 0; i < letters.size(); ++i)
        track.append(i == 0 ? " " : "  ").push_back(letters[i]);
    return track;
}

void check_markers(std::string_view markers, std::size_t indent, std::size_t window_bytes,
                   std::string_view report) {
    check(markers.size() == indent + window_bytes, "the marker line spans the nucleotide window",
          report);
    check(markers.substr(0, indent).find_first_not_of(' ') == std::string_view::npos,
          "markers are indented", report);
    for (std::size_t column = 0; column < window_bytes; column += 3) {
        const std::string_view codon_marks = markers.substr(indent + column, 3);
        const bool whole =
            codon_marks == "   " || codon_marks == "___" ||
            (codon_marks.size() < 3 && codon_marks.find('_') == std::string_view::npos);
        check(whole, "a marker underlines a whole codon", report);
    }
    check(markers.find('_') != std::string_view::npos,
          "a marker line is written only when something is marked", report);
}

void check_layout(std::string_view report, const ReportInput& input) {
    std::vector<std::string_view> lines = split(report, '\n');
    check(lines.back().empty(), "the report ends with a line feed", report);
    lines.pop_back();
    check(lines.size() >= 7 && lines.size() <= 10, "the report has its seven to ten lines", report);
    check(lines[0] == "Peptide header (" + input.aa_label + ") : " + input.aa_header,
          "peptide header line", report);
    check(lines[1] == "Nucleotide header (" + input.nt_label + ") : " + input.nt_header,
          "nucleotide header line", report);
    check(lines[2].empty(), "a blank line follows the headers", report);

    const Windows w = windows_of(input);
    const std::string_view residues = input.residues;
    check(lines[3] == ">" + input.aa_header + " " + std::to_string(w.start + 1) + "-" +
                          std::to_string(w.end),
          "the peptide window header shows the window around the position", report);
    std::size_t at = 5;
    if (w.start == w.end) {
        check(lines[4] == "(empty)", "an empty peptide window is shown as such", report);
    } else {
        const std::string_view window = residues.substr(w.start, w.end - w.start);
        check(lines[4] == std::string(w.start > 0 ? "." : "") + std::string(window) +
                              (w.end < residues.size() ? "." : ""),
              "the peptide line is the window with its cut marks", report);
        check(lines[5] == spaced(window), "the peptide track spreads the window over codon columns",
              report);
        at = 6;
    }
    check(lines[at] == ">" + input.nt_header + " " + std::to_string(w.nt_start + 1) + "-" +
                           std::to_string(w.nt_end),
          "the nucleotide window header shows the nucleotides of the peptide window", report);

    const std::size_t window_bytes = w.nt_end - w.nt_start;
    if (window_bytes == 0) {
        check(lines.size() == at + 2 && lines[at + 1] == "(empty)",
              "an empty nucleotide window ends the report", report);
        return;
    }
    const std::string_view window = std::string_view(input.nt_seq).substr(w.nt_start, window_bytes);
    if (text::is_valid_utf8(window)) {
        check(lines[at + 1] == std::string(w.nt_start > 0 ? "..." : "") + std::string(window) +
                                   (w.nt_end < input.nt_seq.size() ? "..." : ""),
              "the nucleotide line is the window with its cut marks", report);
    }
    const bool translated =
        !std::holds_alternative<codon::NoGeneticCode>(input.code) && window_bytes >= 3;
    check(lines.size() <= at + 2 + (translated ? 2 : 0),
          "tracks only where there is a code and a codon", report);
    check(!translated || lines.size() >= at + 3, "a window with a code and a codon is translated",
          report);
    if (lines.size() == at + 4) {
        check(input.mark, "markers only when asked for", report);
        check_markers(lines[at + 3], w.nt_start > 0 ? 3 : 0, window_bytes, report);
    }
}

void run(std::string_view data) {
    const ReportInput input = read_input(data);
    const std::string report = diagnostics::format_seq_inconsistency_details(
        input.aa_label, input.aa_header, input.residues, input.nt_label, input.nt_header,
        input.nt_seq, input.position, input.code, input.mark);
    check(text::is_valid_utf8(report), "the report is valid UTF-8", report);
    check_layout(report, input);
    model::check_error_block(
        diagnostics::format_error_block(diagnostics::kSequenceMismatch, report));
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
