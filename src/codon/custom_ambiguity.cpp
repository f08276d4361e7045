#include "codon/custom_ambiguity.hpp"

#include <algorithm>

#include "codon/codon_acceptance.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

std::uint32_t literal_key(char residue, std::string_view codon) noexcept {
    return std::uint32_t(residue_slot(residue)) << 24 |
           std::uint32_t(std::uint8_t(codon[0])) << 16 |
           std::uint32_t(std::uint8_t(codon[1])) << 8 | std::uint32_t(std::uint8_t(codon[2]));
}

}  // namespace

CustomAmbiguity::CustomAmbiguity(const CustomCodonTable& table, const AcceptanceMasks& masks,
                                 std::span<const UnplainEntry> unplain) {
    for (const char residue : kResidueLetters)
        spelled_[residue_slot(residue)] = masks.accepted_by(residue);
    // The masks accept every codon for "X"; its ambiguous codons still need an entry.
    const CustomCodonTable::CodonList* x_entries = table.find(U'X');
    spelled_[residue_slot('X')] = x_entries == nullptr ? 0 : spelled_codons(*x_entries);
    // A codon equal to a plain entry is itself plain and found through the mask.
    literal_entries_.reserve(unplain.size());
    for (const UnplainEntry& entry : unplain)
        literal_entries_.push_back(literal_key(entry.residue, entry.entry));
    std::sort(literal_entries_.begin(), literal_entries_.end());
    literal_entries_.erase(std::unique(literal_entries_.begin(), literal_entries_.end()),
                           literal_entries_.end());
}

bool CustomAmbiguity::accepts(char residue, std::string_view codon) const noexcept {
    if ((iupac::resolution_mask(codon) & spelled_[residue_slot(residue)]) != 0) return true;
    return !literal_entries_.empty() &&
           std::binary_search(literal_entries_.begin(), literal_entries_.end(),
                              literal_key(residue, codon));
}

}  // namespace velbrin::codon
