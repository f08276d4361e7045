#include "codon/codon_acceptance.hpp"

#include <array>
#include <bit>

#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"

namespace velbrin::codon {
namespace {

// The letters an NCBI table string is made of.
constexpr std::string_view kTableLetters = "*ACDEFGHIKLMNPQRSTVWY";

constexpr std::uint64_t kEveryCodon = ~std::uint64_t{0};

constexpr std::uint64_t codon_bit(std::size_t index) noexcept { return std::uint64_t{1} << index; }

// For each position of a codon, each byte's digit already placed where the codon index
// wants it (16, 4, 1), or kNotABase for a byte that is no plain base: the index of a
// three-byte entry is the OR of its bytes' entries, and at least kNotABase for any entry
// that is no plain codon.  One lookup per byte and no branch per byte.
constexpr std::uint8_t kNotABase = 64;
constexpr std::array<std::array<std::uint8_t, 256>, 3> kPlacedDigits = [] {
    std::array<std::array<std::uint8_t, 256>, 3> tables{};
    for (std::size_t position = 0; position < 3; ++position) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const int digit = detail::nucleotide_digit(char(byte));
            tables[position][byte] =
                digit < 0 ? kNotABase : std::uint8_t(digit << (4 - 2 * position));
        }
    }
    return tables;
}();

constexpr std::size_t placed_index(std::string_view entry) noexcept {
    return kPlacedDigits[0][std::uint8_t(entry[0])] | kPlacedDigits[1][std::uint8_t(entry[1])] |
           kPlacedDigits[2][std::uint8_t(entry[2])];
}

constexpr bool placed_digits_agree_with_codon_index() {
    constexpr std::string_view kBytes = "ACGTUacgtuNRn-\x80";
    for (const char a : kBytes) {
        for (const char b : kBytes) {
            for (const char c : kBytes) {
                const char entry[3] = {a, b, c};
                const std::string_view text(entry, 3);
                const auto index = codon_index(text);
                const std::size_t placed = placed_index(text);
                if (index ? placed != *index : placed < kNotABase) return false;
            }
        }
    }
    return true;
}
static_assert(placed_digits_agree_with_codon_index());

// Later residues of this list overwrite earlier ones: the signatures go first, so a
// codon's owner is the table's own letter.
constexpr std::string_view kOwnersLastWins = "ZJB*ACDEFGHIKLMNOPQRSTUVWY";

constexpr void choose_owners(AcceptanceMasks& masks) noexcept {
    for (const char residue : kOwnersLastWins) {
        for (std::uint64_t codons = masks.accepted[residue_slot(residue)]; codons != 0;
             codons &= codons - 1) {
            masks.owners.residue[std::size_t(std::countr_zero(codons))] = std::uint8_t(residue);
        }
    }
}

// Under a 64-letter table string, through the amino-acid signature.
constexpr AcceptanceMasks masks_of_table(std::string_view table) noexcept {
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

// Every NCBI table's masks, made once, at build time, in the order of NCBI_TABLES.
constexpr std::array<AcceptanceMasks, kNcbiTableCount> kNcbiAcceptance = [] {
    std::array<AcceptanceMasks, kNcbiTableCount> all{};
    for (std::size_t t = 0; t < kNcbiTableCount; ++t)
        all[t] = masks_of_table(NCBI_TABLES[t].amino_acids);
    return all;
}();

constexpr bool standard_code_masks_hold() {
    const AcceptanceMasks& standard = kNcbiAcceptance[0];
    const std::uint64_t methionine = standard.accepted[residue_slot('M')];
    const std::uint64_t isoleucine_or_leucine = standard.accepted[residue_slot('J')];
    return methionine == codon_bit(*codon_index("ATG")) &&
           standard.owners.residue[*codon_index("ATG")] == 'M' &&
           std::popcount(isoleucine_or_leucine) == 9 &&
           standard.owners.residue[*codon_index("TAA")] == '*' &&
           standard.accepted[residue_slot('X')] == kEveryCodon;
}
static_assert(standard_code_masks_hold());

}  // namespace

const AcceptanceMasks* ncbi_acceptance(std::int32_t table_num) noexcept {
    for (std::size_t t = 0; t < kNcbiTableCount; ++t) {
        if (NCBI_TABLES[t].number == table_num) return &kNcbiAcceptance[t];
    }
    return nullptr;
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
            if (entry.size() != 3) continue;
            const std::size_t index = placed_index(entry);
            if (index < kNotABase) {
                spelled |= codon_bit(index);
            } else {
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
