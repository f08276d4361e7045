#include "genetic_code/genetic_code.hpp"

#include <charconv>

namespace velbrin::codon {
namespace {

constexpr std::string_view kAminoAcidAlphabet = "ACDEFGHIKLMNPQRSTVWY*";

constexpr bool uses_only_amino_acid_letters(std::string_view table) {
    for (char letter : table) {
        if (kAminoAcidAlphabet.find(letter) == std::string_view::npos) return false;
    }
    return true;
}

constexpr bool all_tables_well_formed() {
    for (const NcbiTable& table : NCBI_TABLES) {
        if (table.amino_acids.size() != kCodonCount) return false;
        if (!uses_only_amino_acid_letters(table.amino_acids)) return false;
    }
    return true;
}

constexpr bool numbers_ascend_within_range() {
    std::int32_t previous = 0;
    for (const NcbiTable& table : NCBI_TABLES) {
        if (table.number <= previous || table.number > kHighestTableNumber) return false;
        previous = table.number;
    }
    return true;
}

constexpr std::string_view letters_of(std::int32_t number) {
    for (const NcbiTable& table : NCBI_TABLES) {
        if (table.number == number) return table.amino_acids;
    }
    return {};
}

static_assert(all_tables_well_formed());
static_assert(numbers_ascend_within_range());
static_assert(letters_of(1) == detail::kStandardCode);
static_assert(letters_of(11) == letters_of(1));
static_assert(letters_of(28) == letters_of(27));
static_assert(codon_index("TTT") == 0 && codon_index("ATG") == 35 && codon_index("GGG") == 63);
static_assert(letters_of(2)[*codon_index("TGA")] == 'W');
static_assert(letters_of(10)[*codon_index("TGA")] == 'C');

// Slot `number - 1` holds the position of that table in NCBI_TABLES, or -1.
constexpr std::array<std::int8_t, kHighestTableNumber> kSlotOfNumber = [] {
    std::array<std::int8_t, kHighestTableNumber> slots{};
    slots.fill(-1);
    for (std::size_t t = 0; t < NCBI_TABLES.size(); ++t) {
        slots[static_cast<std::size_t>(NCBI_TABLES[t].number - 1)] = static_cast<std::int8_t>(t);
    }
    return slots;
}();

// Two digits and ", " per number, less the trailing separator.
constexpr std::size_t kSupportedListCapacity = NCBI_TABLES.size() * 4;

}  // namespace

std::optional<std::string_view> ncbi_table(std::int32_t table_num) noexcept {
    if (table_num < 1 || table_num > kHighestTableNumber) return std::nullopt;
    const int slot = kSlotOfNumber[static_cast<std::size_t>(table_num - 1)];
    if (slot < 0) return std::nullopt;
    return NCBI_TABLES[static_cast<std::size_t>(slot)].amino_acids;
}

std::string supported_table_list() {
    std::string list;
    list.reserve(kSupportedListCapacity);
    for (const NcbiTable& table : NCBI_TABLES) {
        if (!list.empty()) list += ", ";
        char digits[16];
        char* end = std::to_chars(std::begin(digits), std::end(digits), table.number).ptr;
        list.append(digits, end);
    }
    return list;
}

}  // namespace velbrin::codon
