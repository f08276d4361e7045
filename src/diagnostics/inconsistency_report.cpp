#include "diagnostics/inconsistency_report.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <variant>

#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"
#include "text/unicode_text.hpp"

// Window bounds, codon groups and marker columns are byte offsets.  Where a bound cuts a
// multi-byte character, or a window holds bytes that are not UTF-8, the report stays
// valid UTF-8 this way:
//  - on the peptide and nucleotide lines every byte that does not begin a whole valid
//    character inside the window is shown as "?", one per byte, so the line keeps one
//    byte per window byte and the marker columns stay aligned;
//  - a codon group that is not a valid 3-byte text (a cut character) translates to "X"
//    and is marked unless its residue's code accepts it;
//  - tracks place whole characters, a residue or translation letter may be any UTF-8
//    character (custom-table keys need not be ASCII).
// Labels and headers are shown verbatim; they arrive as valid UTF-8.

namespace velbrin::diagnostics {

namespace {

constexpr std::size_t kContext = 10;
constexpr std::size_t kMaxWindowResidues = 2 * kContext + 1;
constexpr std::size_t kCodonLength = 3;
constexpr std::string_view kPeptideCut = ".";
constexpr std::string_view kNucleotideCut = "...";
constexpr std::string_view kCutIndent = "   ";
constexpr std::string_view kEmptyWindow = "(empty)";
constexpr std::string_view kUntranslatable = "X";
constexpr std::string_view kUnshowableByte = "?";
constexpr std::string_view kCodonMarked = "___";
constexpr std::string_view kCodonUnmarked = "   ";

static_assert(kCutIndent.size() == kNucleotideCut.size(),
              "the indent keeps the tracks under the nucleotides behind the cut mark");
static_assert(kCodonMarked.size() == kCodonLength && kCodonUnmarked.size() == kCodonLength);

template <typename... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};

// Counts the bytes a writer would append, so a text can be reserved once and then written.
class ByteCounter {
public:
    void append(std::string_view text) noexcept { size_ += text.size(); }
    void append(std::size_t count, char) noexcept { size_ += count; }
    void push_back(char) noexcept { ++size_; }
    std::size_t size() const noexcept { return size_; }

private:
    std::size_t size_ = 0;
};

// The text that `write(out)` appends, made with one allocation: a counting pass first,
// then the write into a string reserved to that size.
template <typename Write>
std::string write_with_exact_size(Write write) {
    ByteCounter size;
    write(size);
    std::string text;
    text.reserve(size.size());
    write(text);
    return text;
}

template <typename Out>
void append_decimal(Out& out, std::size_t value) {
    std::array<char, 20> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(
        std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
}

// Calls `emit` with each character of `text` as it is shown: a whole valid UTF-8
// character as its bytes, any other byte as "?".
template <typename Emit>
void for_each_shown_char(std::string_view text, Emit&& emit) {
    while (!text.empty()) {
        const text::Utf8Char c = text::decode_utf8_char(text);
        if (c.length == 0) {
            emit(kUnshowableByte);
            text.remove_prefix(1);
        } else {
            emit(text.substr(0, c.length));
            text.remove_prefix(c.length);
        }
    }
}

// Places characters one by one: " A  B  C", character i in column 3i + 1.
template <typename Out>
class TrackWriter {
public:
    explicit TrackWriter(Out& out) noexcept : out_(out) {}

    void place(std::string_view character) {
        out_.append(first_ ? 1 : 2, ' ');
        out_.append(character);
        first_ = false;
    }

private:
    Out& out_;
    bool first_ = true;
};

template <typename Out>
void write_shown(Out& out, std::string_view text) {
    for_each_shown_char(text, [&out](std::string_view c) { out.append(c); });
}

template <typename Out>
void write_track(Out& out, std::string_view letters) {
    TrackWriter<Out> track(out);
    for_each_shown_char(letters, [&track](std::string_view c) { track.place(c); });
}

// ---- windows ------------------------------------------------------------------------

struct Windows {
    std::size_t residue_count;  // m
    std::size_t start;          // peptide window [start, end)
    std::size_t end;
    std::size_t nt_length;  // n
    std::size_t nt_start;   // nucleotide window [nt_start, nt_end)
    std::size_t nt_end;
};

Windows place_windows(std::size_t residue_count, std::size_t nt_length,
                      std::size_t position) noexcept {
    Windows w{residue_count, 0, 0, nt_length, 0, 0};
    if (residue_count > 0) {
        const std::size_t centre = std::min(position, residue_count - 1);
        w.start = centre > kContext ? centre - kContext : 0;
        w.end = std::min(centre + kContext + 1, residue_count);
    }
    // Saturate so a huge residue count cannot wrap the nucleotide bounds.
    const auto nt_offset = [nt_length](std::size_t residues) {
        return residues > nt_length / kCodonLength ? nt_length : residues * kCodonLength;
    };
    w.nt_end = nt_offset(w.end);
    w.nt_start = std::min(nt_offset(w.start), w.nt_end);
    return w;
}

// ---- translation track ------------------------------------------------------------

struct Translation {
    std::array<text::Utf8Bytes, kMaxWindowResidues> letters{};
    std::size_t count = 0;
};

constexpr text::Utf8Bytes kUntranslatableLetter = text::encode_utf8(U'X');
static_assert(kUntranslatableLetter.view() == kUntranslatable);

bool lists_codon(const codon::CustomCodonTable::CodonList& codons,
                 std::string_view group) noexcept {
    return std::find(codons.begin(), codons.end(), group) != codons.end();
}

text::Utf8Bytes ncbi_letter(std::string_view table, std::string_view group) noexcept {
    const auto index = codon::codon_index(group);
    if (!index || *index >= table.size()) return kUntranslatableLetter;
    return text::encode_utf8(static_cast<unsigned char>(table[*index]));
}

// The first key, by ascending code point, whose list holds the group or covers it.
text::Utf8Bytes custom_letter(const codon::CustomCodonTable* table, std::string_view group) {
    if (table == nullptr || !text::is_valid_utf8(group)) return kUntranslatableLetter;
    for (const auto& [symbol, codons] : table->entries()) {
        if (lists_codon(codons, group) || iupac::has_iupac_match(group, codons)) {
            return text::encode_utf8(symbol);
        }
    }
    return kUntranslatableLetter;
}

text::Utf8Bytes translate_group(const codon::GeneticCodeRef& code, std::string_view group) {
    return std::visit(
        Overloaded{[](codon::NoGeneticCode) { return kUntranslatableLetter; },
                   [group](const codon::NcbiCode& ncbi) { return ncbi_letter(ncbi.table, group); },
                   [group](const codon::CustomCode& custom) {
                       return custom_letter(custom.table, group);
                   }},
        code);
}

Translation translate_window(std::string_view nt_window, const codon::GeneticCodeRef& code) {
    Translation translation;
    if (std::holds_alternative<codon::NoGeneticCode>(code)) return translation;
    // A nucleotide window spans at most the peptide window's codons.
    translation.count = std::min(nt_window.size() / kCodonLength, kMaxWindowResidues);
    for (std::size_t i = 0; i < translation.count; ++i) {
        translation.letters[i] =
            translate_group(code, nt_window.substr(i * kCodonLength, kCodonLength));
    }
    return translation;
}

// ---- marker line --------------------------------------------------------------------

struct Markers {
    std::array<bool, kMaxWindowResidues> marked{};
    std::size_t examined = 0;
    bool any = false;
};

bool ncbi_codon_encodes(std::string_view table, char residue, std::string_view codon) noexcept {
    const auto index = codon::codon_index(codon);
    if (index && *index < table.size() && iupac::signature_admits(residue, table[*index]))
        return true;
    return iupac::ambiguous_triplet_matches_signature(table, residue, codon);
}

bool custom_codon_encodes(const codon::CustomCodonTable* table, char residue,
                          std::string_view codon) noexcept {
    // A byte above ASCII is part of a character, never a key of its own.
    if (table == nullptr || static_cast<unsigned char>(residue) >= 0x80) return false;
    const auto* codons = table->find(static_cast<char32_t>(residue));
    if (codons == nullptr) return false;
    return lists_codon(*codons, codon) || iupac::has_iupac_match(codon, *codons);
}

bool codon_encodes(const codon::GeneticCodeRef& code, char residue, std::string_view codon) {
    return std::visit(Overloaded{[](codon::NoGeneticCode) { return false; },
                                 [residue, codon](const codon::NcbiCode& ncbi) {
                                     return ncbi_codon_encodes(ncbi.table, residue, codon);
                                 },
                                 [residue, codon](const codon::CustomCode& custom) {
                                     return custom_codon_encodes(custom.table, residue, codon);
                                 }},
                      code);
}

// The underline says what the code makes of each codon, not what the walk let through:
// it has none of the walk's leniency (a residue "X" takes any codon, a codon holding
// "N" passes), so a window can underline columns the walk accepted.  Reports keep this
// form; their text must not move with the walk's rules.
Markers mark_window(std::string_view peptide_window, std::string_view nt_window,
                    const codon::GeneticCodeRef& code, bool mark_mismatches) {
    Markers markers;
    if (!mark_mismatches || std::holds_alternative<codon::NoGeneticCode>(code)) return markers;
    markers.examined =
        std::min({nt_window.size() / kCodonLength, peptide_window.size(), kMaxWindowResidues});
    for (std::size_t i = 0; i < markers.examined; ++i) {
        const std::string_view codon = nt_window.substr(i * kCodonLength, kCodonLength);
        markers.marked[i] = !codon_encodes(code, peptide_window[i], codon);
        markers.any = markers.any || markers.marked[i];
    }
    return markers;
}

// ---- the report ---------------------------------------------------------------------

struct Report {
    std::string_view aa_label;
    std::string_view aa_header;
    std::string_view nt_label;
    std::string_view nt_header;
    Windows windows;
    std::string_view peptide_window;
    std::string_view nt_window;
    Translation translation;
    Markers markers;
};

template <typename Out>
void write_header_line(Out& out, std::string_view kind, std::string_view label,
                       std::string_view header) {
    out.append(kind);
    out.append(" header (");
    out.append(label);
    out.append(") : ");
    out.append(header);
    out.push_back('\n');
}

template <typename Out>
void write_window_header(Out& out, std::string_view header, std::size_t first, std::size_t last) {
    out.push_back('>');
    out.append(header);
    out.push_back(' ');
    append_decimal(out, first);
    out.push_back('-');
    append_decimal(out, last);
    out.push_back('\n');
}

// Writes a window's header, and "(empty)" in place of an empty window; true when the
// window has content still to be written.
template <typename Out>
bool open_window(Out& out, std::string_view header, std::size_t first, std::size_t last,
                 std::string_view window) {
    write_window_header(out, header, first, last);
    if (!window.empty()) return true;
    out.append(kEmptyWindow);
    out.push_back('\n');
    return false;
}

template <typename Out>
void write_peptide_window(Out& out, const Report& r) {
    const Windows& w = r.windows;
    if (!open_window(out, r.aa_header, w.start + 1, w.end, r.peptide_window)) return;
    if (w.start > 0) out.append(kPeptideCut);
    write_shown(out, r.peptide_window);
    if (w.end < w.residue_count) out.append(kPeptideCut);
    out.push_back('\n');
    write_track(out, r.peptide_window);
    out.push_back('\n');
}

template <typename Out>
void write_translation_track(Out& out, const Report& r, std::string_view indent) {
    if (r.translation.count == 0) return;
    out.append(indent);
    TrackWriter<Out> track(out);
    for (std::size_t i = 0; i < r.translation.count; ++i)
        track.place(r.translation.letters[i].view());
    out.push_back('\n');
}

template <typename Out>
void write_marker_line(Out& out, const Report& r, std::string_view indent) {
    if (!r.markers.any) return;
    out.append(indent);
    for (std::size_t i = 0; i < r.markers.examined; ++i) {
        out.append(r.markers.marked[i] ? kCodonMarked : kCodonUnmarked);
    }
    out.append(r.nt_window.size() - r.markers.examined * kCodonLength, ' ');
    out.push_back('\n');
}

template <typename Out>
void write_nucleotide_window(Out& out, const Report& r) {
    const Windows& w = r.windows;
    if (!open_window(out, r.nt_header, w.nt_start + 1, w.nt_end, r.nt_window)) return;
    const bool cut_before = w.nt_start > 0;
    if (cut_before) out.append(kNucleotideCut);
    write_shown(out, r.nt_window);
    if (w.nt_end < w.nt_length) out.append(kNucleotideCut);
    out.push_back('\n');

    const std::string_view indent = cut_before ? kCutIndent : std::string_view{};
    write_translation_track(out, r, indent);
    write_marker_line(out, r, indent);
}

template <typename Out>
void write_report(Out& out, const Report& r) {
    write_header_line(out, "Peptide", r.aa_label, r.aa_header);
    write_header_line(out, "Nucleotide", r.nt_label, r.nt_header);
    out.push_back('\n');
    write_peptide_window(out, r);
    write_nucleotide_window(out, r);
}

}  // namespace

std::string format_seq_inconsistency_details(std::string_view aa_label, std::string_view aa_header,
                                             std::string_view residues, std::string_view nt_label,
                                             std::string_view nt_header, std::string_view nt_seq,
                                             std::size_t position,
                                             const codon::GeneticCodeRef& code,
                                             bool mark_mismatches) {
    const Windows windows = place_windows(residues.size(), nt_seq.size(), position);
    const std::string_view peptide_window =
        residues.substr(windows.start, windows.end - windows.start);
    const std::string_view nt_window =
        nt_seq.substr(windows.nt_start, windows.nt_end - windows.nt_start);
    const Report report{aa_label,
                        aa_header,
                        nt_label,
                        nt_header,
                        windows,
                        peptide_window,
                        nt_window,
                        translate_window(nt_window, code),
                        mark_window(peptide_window, nt_window, code, mark_mismatches)};

    return write_with_exact_size([&](auto& out) { write_report(out, report); });
}

std::string spaced_aa_track(std::string_view letters) {
    return write_with_exact_size([&](auto& out) { write_track(out, letters); });
}

}  // namespace velbrin::diagnostics
