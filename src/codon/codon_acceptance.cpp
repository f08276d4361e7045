#include "codon/codon_acceptance.hpp"

#include <bit>

#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

// The letters an NCBI table string is made of.
constexpr std::string_view kTableLetters = "*ACDEFGHIKLMNPQRSTVWY";

constexpr std::uint64_t kEveryCodon = ~std::uint64_t{0};

constexpr std::uint64_t codon_bit(std::size_t index) noexcept { return std::uint64_t{1} << index; }

// Later residues of this list overwrite earlier ones: the signatures go first, so a
// codon's owner is the table's own letter.
constexpr std::string_view kOwnersLastWins = "ZJB*ACDEFGHIKLMNOPQRSTUVWY";

void choose_owners(AcceptanceMasks& masks) noexcept {
    for (const char residue : kOwnersLastWins) {
        for (std::uint64_t codons = masks.accepted[residue_slot(residue)]; codons != 0;
             codons &= codons - 1) {
            masks.owners.residue[std::size_t(std::countr_zero(codons))] = std::uint8_t(residue);
        }
    }
}

}  // namespace

AcceptanceMasks ncbi_acceptance(std::string_view table) noexcept {
    AcceptanceMasks masks;
    masks.covered.fill(true);
    std::array<std::uint64_t, 128> codons_of_letter{};
    for (std::size_t index = 0; index < kCodonCount && index < table.size(); ++index) {
        codons_of_letter[residue_slot(table[index])] |= codon_bit(index);
    }
    for (const char residue : kResidueLetters) {
        for (const char letter : kTableLetters) {
            if (iupac::signature_admits(residue, letter))
                masks.accepted[residue_slot(residue)] |= codons_of_letter[residue_slot(letter)];
        }
    }
    masks.accepted[residue_slot('X')] = kEveryCodon;
    choose_owners(masks);
    return masks;
}

AcceptanceMasks custom_acceptance(const CustomCodonTable& table,
                                  std::vector<UnplainEntry>& unplain) {
    AcceptanceMasks masks;
    for (const char residue : kResidueLetters) {
        const CustomCodonTable::CodonList* entries = table.find(char32_t(residue));
        if (entries == nullptr) continue;
        masks.covered[residue_slot(residue)] = true;
        std::uint64_t spelled = 0;
        for (const std::string_view entry : *entries) {
            if (const auto index = codon_index(entry)) {
                spelled |= codon_bit(*index);
            } else if (entry.size() == 3) {
                unplain.push_back({residue, entry});
            }
        }
        masks.accepted[residue_slot(residue)] = residue == 'X' ? kEveryCodon : spelled;
    }
    choose_owners(masks);
    return masks;
}

std::uint64_t spelled_codons(CustomCodonTable::CodonList entries) noexcept {
    std::uint64_t codons = 0;
    for (const std::string_view entry : entries) {
        if (const auto index = codon_index(entry)) codons |= codon_bit(*index);
    }
    return codons;
}

}  // namespace velbrin::codon
