#include "genetic_code/stop_codons.hpp"

#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {

StopCodons StopCodons::of_ncbi_table(std::string_view table) noexcept {
    StopCodons stops;
    for (std::size_t index = 0; index < table.size() && index < 64; ++index) {
        if (table[index] == '*') stops.by_index_ |= std::uint64_t{1} << index;
    }
    return stops;
}

StopCodons StopCodons::of_custom_table(const codon::CustomCodonTable& table) noexcept {
    StopCodons stops;
    if (const codon::CustomCodonTable::CodonList* listed = table.find(U'*')) {
        for (const std::string_view codon : *listed) {
            if (const auto index = codon::codon_index(codon))
                stops.by_index_ |= std::uint64_t{1} << *index;
        }
    }
    return stops;
}

bool StopCodons::is_stop(std::string_view codon) const noexcept {
    const auto index = codon::codon_index(codon);
    return index && ((by_index_ >> *index) & 1) != 0;
}

}  // namespace velbrin::codon
