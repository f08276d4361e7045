#include "codon/codon_placement.hpp"

#include <cstring>

#include "codon/codon_walk.hpp"

namespace velbrin::codon {

bool place_codons(std::string_view peptide, std::string_view nucleotides, char* line) noexcept {
    const std::size_t columns = peptide.size();
    std::size_t column = 0, cursor = 0;
    while (column < columns) {
        if (peptide[column] == '-') {
            column = write_gap_run(peptide, column, line);
            continue;
        }
        const void* gap = std::memchr(peptide.data() + column, '-', columns - column);
        const std::size_t end =
            gap ? std::size_t(static_cast<const char*>(gap) - peptide.data()) : columns;
        const std::size_t bases = 3 * (end - column);
        if (nucleotides.size() - cursor < bases) return false;
        std::memcpy(line + 3 * column, nucleotides.data() + cursor, bases);
        cursor += bases;
        column = end;
    }
    return true;
}

}  // namespace velbrin::codon
