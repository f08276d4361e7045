#include "codon/codon_acceptance.hpp"

#include <bit>

#include "codon/genetic_code.hpp"
#include "iupac/ambiguity.hpp"
#include "iupac/iupac_bases.hpp"

namespace velbrin::codon {
namespace {

// The residues a normalised peptide holds besides gaps; other residue bytes keep empty
// masks and take the full rules.
constexpr std::string_view kResidueLetters = "*ABCDEFGHIJKLMNOPQRSTUVWXYZ";
// The letters an NCBI table string is made of.
constexpr std::string_view kTableLetters = "*ACDEFGHIKLMNPQRSTVWY";

constexpr std::uint64_t kEveryCodon = ~std::uint64_t{0};

constexpr std::uint64_t codon_bit(std::size_t index) noexcept { return std::uint64_t{1} << index; }

std::size_t slot(char residue) noexcept { return std::uint8_t(residue) & 0x7F; }

// [position][byte]: the codons whose base at that position is one the byte resolves to
// (a base set's bit k is the base of digit k, and a codon's index is
// 16 * first + 4 * second + third).
constexpr auto kCodonsByLetter = [] {
    std::array<std::array<std::uint64_t, 256>, 3> codons{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const iupac::BaseSet bases = iupac::resolution_set(char(byte));
        for (std::size_t index = 0; index < kCodonCount; ++index) {
            const std::size_t digits[3] = {index / 16, index / 4 % 4, index % 4};
            for (std::size_t position = 0; position < 3; ++position) {
                if ((bases >> digits[position]) & 1) codons[position][byte] |= codon_bit(index);
            }
        }
    }
    return codons;
}();
static_assert(kCodonsByLetter[0]['N'] == ~std::uint64_t{0} && kCodonsByLetter[2]['G'] == 0x8888888888888888);
static_assert(kCodonsByLetter[1]['-'] == 0 && kCodonsByLetter[0]['T'] == 0xFFFF);

// Later residues of this list overwrite earlier ones: the signatures go first, so a
// codon's owner is the table's own letter.
constexpr std::string_view kOwnersLastWins = "ZJB*ACDEFGHIKLMNOPQRSTUVWY";

void choose_owners(AcceptanceMasks& masks) noexcept {
    for (const char residue : kOwnersLastWins) {
        for (std::uint64_t codons = masks.accepted[slot(residue)]; codons != 0; codons &= codons - 1) {
            masks.owners.residue[std::size_t(std::countr_zero(codons))] = std::uint8_t(residue);
        }
    }
}

}  // namespace

std::uint64_t resolution_codons(std::string_view codon) noexcept {
    if (codon.size() != 3) return 0;
    return kCodonsByLetter[0][std::uint8_t(codon[0])] & kCodonsByLetter[1][std::uint8_t(codon[1])] &
           kCodonsByLetter[2][std::uint8_t(codon[2])];
}

AcceptanceMasks ncbi_acceptance(std::string_view table) noexcept {
    AcceptanceMasks masks;
    masks.covered.fill(true);
    std::array<std::uint64_t, 128> codons_of_letter{};
    for (std::size_t index = 0; index < kCodonCount && index < table.size(); ++index) {
        codons_of_letter[slot(table[index])] |= codon_bit(index);
    }
    for (const char residue : kResidueLetters) {
        for (const char letter : kTableLetters) {
            if (iupac::signature_admits(residue, letter)) masks.accepted[slot(residue)] |= codons_of_letter[slot(letter)];
        }
    }
    masks.accepted['X'] = kEveryCodon;
    choose_owners(masks);
    return masks;
}

AcceptanceMasks custom_acceptance(const CustomCodonTable& table) noexcept {
    AcceptanceMasks masks;
    for (const char residue : kResidueLetters) {
        const CustomCodonTable::CodonList* entries = table.find(char32_t(residue));
        if (entries == nullptr) continue;
        masks.covered[slot(residue)] = true;
        for (const std::string& entry : *entries) {
            if (const auto index = codon_index(entry)) masks.accepted[slot(residue)] |= codon_bit(*index);
        }
        if (residue == 'X') masks.accepted[slot(residue)] = kEveryCodon;
    }
    choose_owners(masks);
    return masks;
}

}  // namespace velbrin::codon
