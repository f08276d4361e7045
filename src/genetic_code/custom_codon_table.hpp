#pragma once
// A caller-supplied genetic code: amino-acid symbol (one Unicode scalar value, case
// kept) to the ordered list of codon texts that may encode it.

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace velbrin::codon {

class CustomCodonTable {
public:
    using CodonList = std::vector<std::string>;
    using Entries = std::map<char32_t, CodonList>;  // ascending code point

    CustomCodonTable() = default;
    CustomCodonTable(const CustomCodonTable&) = delete;
    CustomCodonTable& operator=(const CustomCodonTable&) = delete;
    // A moved-from table is left empty, its index cleared with it.
    CustomCodonTable(CustomCodonTable&& other) noexcept;
    CustomCodonTable& operator=(CustomCodonTable&& other) noexcept;

    // A symbol already present gets the new list.
    void insert_or_replace(char32_t symbol, CodonList codons);

    // The list of `symbol`, or nullptr.  ASCII symbols (every residue after
    // normalisation) are found by direct index.
    const CodonList* find(char32_t symbol) const noexcept;

    const Entries& entries() const noexcept { return entries_; }
    bool empty() const noexcept { return entries_.empty(); }
    std::size_t size() const noexcept { return entries_.size(); }

    // The symbols in ascending code point order, UTF-8, joined by ", ".
    std::string valid_symbol_list() const;

private:
    Entries entries_;  // map nodes never move, so the index below stays valid
    std::array<const CodonList*, 128> ascii_index_{};
};

}  // namespace velbrin::codon
