#pragma once
// Single sweeps over a record's texts that answer every per-record question about their
// bytes: whether normalising would change them and, for the peptide, how many of its
// columns are gaps.

#include <cstddef>
#include <string_view>

namespace velbrin::codon {

// Kept plain (no member initialisers): it is made inside a function cloned per
// instruction set.
struct PeptideScan {
    std::size_t gaps;  // "-" bytes
    bool normal;       // every byte is its own residue: normalising changes nothing
    bool ascii;
};

PeptideScan scan_peptide(std::string_view peptide) noexcept;

// Whether normalising leaves `byte` as it is: an upper-case residue letter ("O" and "U"
// excepted), "*" or "-".
constexpr bool is_normal_residue(unsigned char byte) noexcept {
    const bool letter = byte >= 'A' && byte <= 'Z' && byte != 'O' && byte != 'U';
    return letter || byte == '*' || byte == '-';
}

// Whether the nucleotides hold a lower-case letter or a gap sign ("-" or ".").
bool nucleotides_need_normalising(std::string_view bases) noexcept;

}  // namespace velbrin::codon
