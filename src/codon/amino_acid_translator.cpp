#include "codon/amino_acid_translator.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

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

// Byte length of the UTF-8 character starting at `text[at]`; 1 for a byte that does not
// start a well-formed character, which then counts as a character of its own.
std::size_t utf8_character_length(std::string_view text, std::size_t at) noexcept {
    const std::size_t length = text::decode_utf8_char(text.substr(at)).length;
    return length == 0 ? 1 : length;
}

// Folds `step` over every byte of `text` in blocks of 32 with no early exit, so that it
// vectorises; `step` returns a byte that is OR-ed into the result.  The bytes after the
// whole blocks are folded as the last 32 bytes of the text (OR-ing a byte twice changes
// nothing), or, in a text shorter than that, as a copy padded with "A", on which every
// step below is neutral: short texts take no byte-by-byte tail either.
template <class Step>
[[gnu::always_inline]] inline std::uint8_t fold_bytes(std::string_view text, Step step) noexcept {
    constexpr std::size_t kBlock = 32;
    std::array<std::uint8_t, kBlock> lanes{};  // one vector register
    const auto fold_block = [&](const char* block) {
        for (std::size_t k = 0; k < kBlock; ++k) lanes[k] |= step(std::uint8_t(block[k]));
    };
    const std::size_t whole = text.size() - text.size() % kBlock;
    for (std::size_t start = 0; start < whole; start += kBlock) fold_block(text.data() + start);
    if (whole != text.size()) {
        if (whole != 0) {
            fold_block(text.data() + text.size() - kBlock);
        } else {
            std::array<char, kBlock> padded;
            padded.fill('A');
            std::memcpy(padded.data(), text.data(), text.size());
            fold_block(padded.data());
        }
    }
    std::uint8_t folded = 0;
    for (const std::uint8_t lane : lanes) folded |= lane;
    return folded;
}

// text::is_ascii, with an AVX2 copy: it reads every byte of every record.
VELBRIN_WIDE_LOOP bool is_ascii_wide(std::string_view text) noexcept {
    return fold_bytes(text, [](std::uint8_t byte) { return byte; }) < 0x80;
}

std::string ungapped(std::string_view peptide) {
    std::string residues;
    residues.reserve(peptide.size());
    std::copy_if(peptide.begin(), peptide.end(), std::back_inserter(residues),
                 [](char c) { return c != '-'; });
    return residues;
}

VELBRIN_WIDE_LOOP std::size_t count_residues(std::string_view peptide) noexcept {
    // Gaps are counted in 32 byte-wide lanes, which vectorises; each lane is added up
    // before it can overflow.  The bytes after the whole blocks are counted in the text's
    // last 32, each lane only when it lies past the whole blocks.
    constexpr std::size_t kBlock = 32;
    constexpr std::size_t kRound = 255 * kBlock;
    const std::size_t size = peptide.size();
    const std::size_t whole = size - size % kBlock;
    std::size_t gaps = 0;
    for (std::size_t round = 0; round < whole; round += kRound) {
        std::array<std::uint8_t, kBlock> lanes{};
        for (std::size_t start = round; start < std::min(whole, round + kRound); start += kBlock) {
            for (std::size_t k = 0; k < kBlock; ++k)
                lanes[k] += std::uint8_t(peptide[start + k] == '-');
        }
        for (const std::uint8_t lane : lanes) gaps += lane;
    }
    if (whole == size) return size - gaps;
    if (whole == 0) {
        for (const char c : peptide) gaps += c == '-';
        return size - gaps;
    }
    const char* const last = peptide.data() + size - kBlock;
    const std::size_t first_new = kBlock - (size - whole);
    std::uint8_t tail_gaps = 0;
    for (std::size_t k = 0; k < kBlock; ++k)
        tail_gaps += std::uint8_t((last[k] == '-') & (k >= first_new));
    return size - gaps - tail_gaps;
}

// Whether normalising leaves the peptide as it is (which implies it is ASCII: every
// other byte maps to "X").
VELBRIN_WIDE_LOOP bool is_normal_peptide(std::string_view residues) noexcept {
    return fold_bytes(residues, [](std::uint8_t byte) {
               return std::uint8_t(residue_image(byte) ^ byte);
           }) == 0;
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

// Whether the nucleotides hold a lower-case letter or a gap sign.
VELBRIN_WIDE_LOOP bool needs_normalising(std::string_view bases) noexcept {
    return fold_bytes(bases, [](std::uint8_t byte) {
               return std::uint8_t((std::uint8_t(byte - 'a') < 26) | (byte == '-') | (byte == '.'));
           }) != 0;
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

}  // namespace

std::string_view normalise_peptide(std::string_view source, std::string& storage) {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    if (is_normal_peptide(trimmed)) return trimmed;
    if (is_ascii_wide(trimmed)) {
        map_ascii_residues(trimmed, storage);
    } else {
        map_residues(trimmed, storage);
    }
    return storage;
}

std::size_t normalised_peptide_length(std::string_view source) noexcept {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    if (is_ascii_wide(trimmed)) return trimmed.size();
    std::size_t characters = 0;
    for (std::size_t at = 0; at < trimmed.size(); at += utf8_character_length(trimmed, at))
        ++characters;
    return characters;
}

std::string_view normalise_nucleotides(std::string_view source, std::string& storage) {
    const std::string_view trimmed = text::trim_unicode_whitespace(source);
    if (!needs_normalising(trimmed)) return trimmed;
    if (holds_gap_signs(trimmed)) {
        upper_case_without_gap_signs(trimmed, storage);
    } else {
        upper_case(trimmed, storage);
    }
    return storage;
}

CodingLengths coding_lengths(std::string_view normalised_peptide,
                             std::string_view normalised_nucleotides) noexcept {
    return {count_residues(normalised_peptide), normalised_nucleotides.size()};
}

void AminoAcidTranslator::streamline() {
    aa_seq_ = normalise_peptide(aa_seq_, aa_storage_);
    nt_seq_ = normalise_nucleotides(nt_seq_, nt_storage_);
}

void AminoAcidTranslator::do_checks() const {
    if (aa_header_ != nt_header_) {
        std::string details;
        details.append("Sequence index: ").append(std::to_string(index_));
        details.append("\nExpected header (").append(aa_label_).append("): \"");
        details.append(diagnostics::truncate_header(aa_header_)).append("\"");
        details.append("\nheader found (").append(nt_label_).append("): \"");
        details.append(diagnostics::truncate_header(nt_header_)).append("\"");
        record_error(diagnostics::format_error_block(diagnostics::kHeaderMismatch, details),
                     FailureKind::header);
    }
    const CodingLengths lengths = coding_lengths(aa_seq_, nt_seq_);
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
    const std::size_t counted = count_residues(aa_seq_.substr(0, upto));
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
