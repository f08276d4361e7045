#pragma once
// A plain model of the codon rules, written from their definitions without the
// product's tables or shortcuts, for the harnesses to compare against; and the shape
// every report must have.

#include <array>
#include <cstddef>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "codon/amino_acid_translator.hpp"
#include "fuzz_input.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::fuzz::model {

// Normalisation is the translator's own (it has tests of its own); the model starts from
// the normalised texts.
inline std::string normalised_peptide(std::string_view aligned) {
    std::string storage;
    return std::string(codon::normalise_peptide(aligned, storage));
}

inline std::string normalised_nucleotides(std::string_view nucleotides) {
    std::string storage;
    return std::string(codon::normalise_nucleotides(nucleotides, storage));
}

constexpr char upper(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The bases an IUPAC ambiguity letter stands for; empty for any other byte.
inline std::string_view ambiguity_bases(char upper_letter) noexcept {
    switch (upper_letter) {
        case 'R': return "AG";
        case 'Y': return "CT";
        case 'S': return "GC";
        case 'W': return "AT";
        case 'K': return "GT";
        case 'M': return "AC";
        case 'B': return "CGT";
        case 'D': return "AGT";
        case 'H': return "ACT";
        case 'V': return "ACG";
        case 'N': return "ACGT";
        default: return {};
    }
}

// The plain bases a codon letter may be: itself for A, C, G, T ("U" is T), its bases for
// an ambiguity letter, nothing for anything else.
inline std::string resolutions_of(char letter) {
    const char c = upper(letter);
    if (c == 'A' || c == 'C' || c == 'G' || c == 'T') return std::string(1, c);
    if (c == 'U') return "T";
    return std::string(ambiguity_bases(c));
}

// Every plain triplet `codon` may stand for; none unless it is three bytes.
inline std::set<std::string> codon_resolutions(std::string_view codon) {
    std::set<std::string> all;
    if (codon.size() != 3) return all;
    for (const char first : resolutions_of(codon[0]))
        for (const char second : resolutions_of(codon[1]))
            for (const char third : resolutions_of(codon[2])) all.insert({first, second, third});
    return all;
}

inline bool signature_admits(char amino_acid, char table_letter) noexcept {
    switch (amino_acid) {
        case 'B': return table_letter == 'D' || table_letter == 'N';
        case 'J': return table_letter == 'I' || table_letter == 'L';
        case 'Z': return table_letter == 'E' || table_letter == 'Q';
        default: return table_letter == amino_acid;
    }
}

// Index of a plain triplet in a 64-letter table (T, C, A, G order).
inline std::size_t plain_codon_index(std::string_view plain) {
    constexpr std::string_view order = "TCAG";
    return 16 * order.find(plain[0]) + 4 * order.find(plain[1]) + order.find(plain[2]);
}

// Some resolution of `codon` translates under `table` to a letter `amino_acid` admits.
inline bool ncbi_accepts(std::string_view table, char amino_acid, std::string_view codon) {
    for (const std::string& plain : codon_resolutions(codon)) {
        const std::size_t index = plain_codon_index(plain);
        if (index < table.size() && signature_admits(amino_acid, table[index])) return true;
    }
    return false;
}

// `codon` covers one three-byte entry of `allowed` (entries upper-cased, "U" as "T").
inline bool covers_an_entry(std::string_view codon, std::span<const std::string> allowed) {
    const std::set<std::string> plain = codon_resolutions(codon);
    for (const std::string& entry : allowed) {
        if (entry.size() != 3) continue;
        std::string folded;
        for (const char c : entry) folded.push_back(upper(c) == 'U' ? 'T' : upper(c));
        if (plain.contains(folded)) return true;
    }
    return false;
}

inline bool custom_accepts(std::span<const std::string> allowed, std::string_view codon) {
    for (const std::string& entry : allowed)
        if (entry == codon) return true;
    return covers_an_entry(codon, allowed);
}

// The forms of a text with ambiguity letters, built one position at a time as the
// Python function's definition describes.
inline void expand(std::string_view original, std::string& work, std::size_t depth,
                   std::set<std::string>& found) {
    if (depth == original.size()) {
        found.insert(work);
        return;
    }
    const char c = upper(original[depth]);
    work[depth] = c == 'U' ? 'T' : c;
    expand(original, work, depth + 1, found);
    for (const char base : ambiguity_bases(c)) {
        work[depth] = base;
        expand(original, work, depth + 1, found);
    }
}

inline std::set<std::string> expansion_set(std::string_view original) {
    std::set<std::string> found;
    std::string work(original.size(), '\0');
    expand(original, work, 0, found);
    return found;
}

// ---------------------------------------------------------------------------------------
// The shape of a report.

inline constexpr std::string_view kRule = "========================================\n";
inline constexpr std::array<std::string_view, 5> kSummaries = {
    "Invalid codon table number.",
    "Amino acid is missing from custom codon table.",
    "Header mismatch between peptide and nucleotide records.",
    "Peptide and nucleotide lengths are inconsistent.",
    "Peptide and nucleotide sequences are inconsistent.",
};

// The summary of `report` after checking that it is one error block: rule, "tarnix
// ERROR: " and a catalogue summary, rule, details, closing rule; and valid UTF-8, as
// every report made from valid UTF-8 must be.
inline std::string_view check_error_block(std::string_view report, bool made_from_utf8 = true) {
    check(!made_from_utf8 || text::is_valid_utf8(report), "a report is valid UTF-8", report);
    check(starts_with(report, kRule), "a report opens with the rule", report);
    std::string_view rest = report.substr(kRule.size());
    check(starts_with(rest, "tarnix ERROR: "), "the summary line follows the rule", report);
    rest.remove_prefix(14);
    const std::size_t line_end = rest.find('\n');
    check(line_end != std::string_view::npos, "the summary line ends", report);
    const std::string_view summary = rest.substr(0, line_end);
    bool known = false;
    for (const std::string_view candidate : kSummaries) known = known || candidate == summary;
    check(known, "the summary is one of the catalogue", report);
    rest.remove_prefix(line_end + 1);
    check(starts_with(rest, kRule), "a rule follows the summary", report);
    rest.remove_prefix(kRule.size());
    check(rest.size() >= kRule.size() && rest.substr(rest.size() - kRule.size()) == kRule,
          "a report closes with the rule", report);
    return summary;
}

}  // namespace velbrin::fuzz::model
