#include "codon/amino_acid_translator.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "codon/record_scan.hpp"
#include "codon/vector_level.hpp"
#include "diagnostics/error_block.hpp"
#include "diagnostics/inconsistency_report.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::codon {
namespace {

// Image of each residue character from "*" (0x2A) to "Z" (0x5A); anything else is "X".
constexpr std::string_view kResidueImages = "*XX-XXXXXXXXXXXXXXXXXXXABCDEFGHIJKLMNXPQRSTXVWXYZ";
static_assert(kResidueImages.size() == 'Z' - '*' + 1);

// Byte arithmetic with bitwise logic only, no branches and no table, so loops over
// these vectorise.
constexpr std::uint8_t upper_ascii(std::uint8_t c) noexcept {
    return std::uint8_t(c - ((std::uint8_t(c - 'a') < 26) << 5));
}

// The image of an ASCII residue character (the table above, computed).
constexpr std::uint8_t residue_image(std::uint8_t c) noexcept {
    const std::uint8_t upper = upper_ascii(c);
    const std::uint8_t letter = (std::uint8_t(upper - 'A') < 26) & (upper != 'O') & (upper != 'U');
    const std::uint8_t kept = letter | (upper == '*') | (upper == '-');
    const std::uint8_t image = kept ? upper : std::uint8_t('X');
    return c == '.' ? std::uint8_t('-') : image;
}

constexpr std::array<char, 128> make_residue_map() {
    std::array<char, 128> map{};
    for (int byte = 0; byte < 128; ++byte) {
        const char upper = char(upper_ascii(std::uint8_t(byte)));
        if (byte == '.') {
            map[byte] = '-';
        } else if (upper >= '*' && upper <= 'Z') {
            map[byte] = kResidueImages[std::size_t(upper - '*')];
        } else {
            map[byte] = 'X';
        }
    }
    return map;
}
constexpr std::array<char, 128> kResidueMap = make_residue_map();
static_assert(kResidueMap['.'] == '-' && kResidueMap['m'] == 'M' && kResidueMap['o'] == 'X');
static_assert(kResidueMap['U'] == 'X' && kResidueMap['b'] == 'B' && kResidueMap[' '] == 'X');

constexpr bool residue_image_follows_the_map() {
    for (int byte = 0; byte < 128; ++byte) {
        if (residue_image(std::uint8_t(byte)) != std::uint8_t(kResidueMap[byte])) return false;
    }
    return true;
}
static_assert(residue_image_follows_the_map());

constexpr bool normal_residues_are_their_own_image() {
    for (int byte = 0; byte < 256; ++byte) {
        const bool own_image = residue_image(std::uint8_t(byte)) == byte;
        if (is_normal_residue(std::uint8_t(byte)) != own_image) return false;
    }
    return true;
}
static_assert(normal_residues_are_their_own_image());

// Byte length of the UTF-8 character starting at `text[at]`; 1 for a byte that does not
// start a well-formed character, which then counts as a character of its own.
std::size_t utf8_character_length(std::string_view text, std::size_t at) noexcept {
    const std::size_t length = text::decode_utf8_char(text.substr(at)).length;
    return length == 0 ? 1 : length;
}

std::string ungapped(std::string_view peptide) {
    std::string residues;
    residues.reserve(peptide.size());
    std::copy_if(peptide.begin(), peptide.end(), std::back_inserter(residues),
                 [](char c) { return c != '-'; });
    return residues;
}

// The loops below write through a raw pointer with a local length: stores through the
// string itself could alias its own size, which would keep them from vectorising.
VELBRIN_WIDE_LOOP void map_ascii_residues(std::string_view source, std::string& residues) {
    residues.resize(source.size());
    char* const out = residues.data();
    for (std::size_t at = 0; at < source.size(); ++at)
        out[at] = char(residue_image(std::uint8_t(source[at])));
}

// One residue per character, whatever its width: a character outside ASCII is "X".
void map_residues(std::string_view source, std::string& residues) {
    residues.resize(source.size());
    char* const out = residues.data();
    std::size_t written = 0;
    for (std::size_t at = 0; at < source.size();) {
        const auto byte = std::uint8_t(source[at]);
        if (byte < 0x80) {
            out[written++] = char(residue_image(byte));
            ++at;
        } else {
            out[written++] = 'X';
            at += utf8_character_length(source, at);
        }
    }
    residues.resize(written);
}

bool holds_gap_signs(std::string_view bases) noexcept {
    return std::memchr(bases.data(), '-', bases.size()) != nullptr ||
           std::memchr(bases.data(), '.', bases.size()) != nullptr;
}

VELBRIN_WIDE_LOOP void upper_case(std::string_view source, std::string& bases) {
    bases.resize(source.size());
    char* const out = bases.data();
    for (std::size_t at = 0; at < source.size(); ++at)
        out[at] = char(upper_ascii(std::uint8_t(source[at])));
}

void upper_case_without_gap_signs(std::string_view source, std::string& bases) {
    bases.resize(source.size());
    char* const out = bases.data();
    std::size_t written = 0;
    for (std::size_t at = 0; at < source.size(); ++at) {
        const auto byte = std::uint8_t(source[at]);
        out[written] = char(upper_ascii(byte));
        written += (byte != '-') & (byte != '.');
    }
    bases.resize(written);
}

// The normalised peptide of a trimmed text, given its scan.
std::string_view normalise_trimmed_peptide(std::string_view trimmed, const PeptideScan& scan,
                                           std::string& storage) {
    if (scan.normal) return trimmed;
    if (scan.ascii) {
        map_ascii_residues(trimmed, storage);
    } else {
        map_residues(trimmed, storage);
    }
    return storage;
}

std::size_t character_count(std::string_view text) noexcept {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); at += utf8_character_length(text, at)) ++characters;
    return characters;
}

}  // namespace

std::string_view normalise_peptide(std::string_view source, std::string& storage) {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    return normalise_trimmed_peptide(trimmed, scan_peptide(trimmed), storage);
}

PeptideOutline outline_peptide(std::string_view source) noexcept {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    const PeptideScan scan = scan_peptide(trimmed);
    return {scan.ascii ? trimmed.size() : character_count(trimmed), trimmed, scan};
}

std::size_t normalised_peptide_length(std::string_view source) noexcept {
    return outline_peptide(source).columns;
}

std::string_view normalise_nucleotides(std::string_view source, std::string& storage) {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    if (!nucleotides_need_normalising(trimmed)) return trimmed;
    if (holds_gap_signs(trimmed)) {
        upper_case_without_gap_signs(trimmed, storage);
    } else {
        upper_case(trimmed, storage);
    }
    return storage;
}

CodingLengths coding_lengths(std::string_view normalised_peptide,
                             std::string_view normalised_nucleotides) noexcept {
    return {normalised_peptide.size() - scan_peptide(normalised_peptide).gaps,
            normalised_nucleotides.size()};
}

void AminoAcidTranslator::streamline() {
    const std::string_view trimmed = text::trim_unicode_whitespace(aa_seq_);
    streamline(trimmed, scan_peptide(trimmed));
}

void AminoAcidTranslator::streamline(std::string_view trimmed_peptide, const PeptideScan& scan) {
    aa_seq_ = normalise_trimmed_peptide(trimmed_peptide, scan, aa_storage_);
    // A changed peptide is counted again: its "." became gaps.
    residues_ = aa_seq_.size() - (scan.normal ? scan.gaps : scan_peptide(aa_seq_).gaps);
    nt_seq_ = normalise_nucleotides(nt_seq_, nt_storage_);
}

bool carries_terminal_stop(std::size_t residues, std::string_view normalised_nucleotides,
                           const StopCodons& stops) noexcept {
    return normalised_nucleotides.size() == 3 * residues + 3 &&
           stops.is_stop(normalised_nucleotides.substr(3 * residues));
}

bool AminoAcidTranslator::drop_terminal_stop(const StopCodons& stops) noexcept {
    const std::size_t residues = residues_ ? *residues_ : coding_lengths(aa_seq_, nt_seq_).residues;
    if (!carries_terminal_stop(residues, nt_seq_, stops)) return false;
    nt_seq_.remove_suffix(3);
    return true;
}

void AminoAcidTranslator::do_checks() const { do_checks(aa_header_ == nt_header_); }

void AminoAcidTranslator::do_checks(bool headers_agree) const {
    if (!headers_agree) {
        std::string details;
        details.append("Sequence index: ").append(std::to_string(index_));
        details.append("\nExpected header (").append(aa_label_).append("): \"");
        details.append(diagnostics::truncate_header(aa_header_)).append("\"");
        details.append("\nheader found (").append(nt_label_).append("): \"");
        details.append(diagnostics::truncate_header(nt_header_)).append("\"");
        record_error(diagnostics::format_error_block(diagnostics::kHeaderMismatch, details),
                     FailureKind::header);
    }
    const CodingLengths lengths =
        residues_ ? CodingLengths{*residues_, nt_seq_.size()} : coding_lengths(aa_seq_, nt_seq_);
    if (!lengths.agree()) {
        const std::string residues = ungapped(aa_seq_);
        std::size_t position = 0;
        if (!residues.empty()) {
            const std::size_t reached = nt_seq_.empty() ? 0 : (nt_seq_.size() - 1) / 3;
            position = std::min(residues.size() - 1, reached);
        }
        record_error(diagnostics::format_error_block(
                         diagnostics::kLengthMismatch,
                         inconsistency_details(residues, position, NoGeneticCode{}, false)),
                     FailureKind::length);
    }
}

void AminoAcidTranslator::error_out_mismatch(std::size_t column, const GeneticCodeRef& code) const {
    const std::string residues = ungapped(aa_seq_);
    const std::size_t upto = std::min(column + 1, aa_seq_.size());
    const std::string_view columns = aa_seq_.substr(0, upto);
    const std::size_t counted = columns.size() - scan_peptide(columns).gaps;
    const std::size_t position = counted == 0 ? 0 : counted - 1;
    record_error(
        diagnostics::format_error_block(diagnostics::kSequenceMismatch,
                                        inconsistency_details(residues, position, code, true)),
        FailureKind::inconsistency);
}

void AminoAcidTranslator::record_error(std::string report, FailureKind kind) const {
    const bool had_error = std::exchange(has_error_, true);
    if (had_error) return;
    error_ = std::move(report);
    error_kind_ = kind;
}

std::string AminoAcidTranslator::inconsistency_details(std::string_view residues,
                                                       std::size_t position,
                                                       const GeneticCodeRef& code,
                                                       bool mark_mismatches) const {
    return diagnostics::format_seq_inconsistency_details(
        aa_label_, diagnostics::truncate_header(aa_header_), residues, nt_label_,
        diagnostics::truncate_header(nt_header_), nt_seq_, position, code, mark_mismatches);
}

}  // namespace velbrin::codon
