#include "codon/codon_acceptance.hpp"

#include "codon/genetic_code.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

constexpr std::string_view kResidueLetters = "*ABCDEFGHIJKLMNOPQRSTUVWYZ";
constexpr std::uint64_t kEveryCodon = ~std::uint64_t{0};

constexpr std::uint64_t codon_bit(std::size_t index) noexcept { return std::uint64_t{1} << index; }

void split_by_pair(AcceptanceMasks& masks) noexcept {
    for (std::size_t residue = 0; residue < masks.accepted.size(); ++residue) {
        for (std::size_t index = 0; index < kCodonCount; ++index) {
            if ((masks.accepted[residue] >> index) & 1) {
                masks.third_bases[residue * AcceptanceMasks::kPairSlots + index / 4] |= std::uint8_t(1u << (index % 4));
            }
        }
    }
}

}  // namespace

AcceptanceMasks ncbi_acceptance(std::string_view table) noexcept {
    AcceptanceMasks masks;
    masks.covered.fill(true);
    // Normalised peptides hold "*", "X" and upper-case letters only; other residue bytes
    // keep an empty mask and take the full rule.
    for (const char residue : kResidueLetters) {
        for (std::size_t index = 0; index < kCodonCount && index < table.size(); ++index) {
            if (iupac::signature_admits(residue, table[index])) masks.accepted[std::size_t(residue)] |= codon_bit(index);
        }
    }
    masks.accepted['X'] = kEveryCodon;
    split_by_pair(masks);
    return masks;
}

AcceptanceMasks custom_acceptance(const CustomCodonTable& table) noexcept {
    AcceptanceMasks masks;
    for (std::size_t residue = 0; residue < masks.accepted.size(); ++residue) {
        const CustomCodonTable::CodonList* entries = table.find(char32_t(residue));
        if (entries == nullptr) continue;
        masks.covered[residue] = true;
        for (const std::string& entry : *entries) {
            if (const auto index = codon_index(entry)) masks.accepted[residue] |= codon_bit(*index);
        }
    }
    if (masks.covered['X']) masks.accepted['X'] = kEveryCodon;
    split_by_pair(masks);
    return masks;
}

}  // namespace velbrin::codon
