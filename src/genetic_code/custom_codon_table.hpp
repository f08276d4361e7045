#pragma once
// A caller-supplied genetic code: amino-acid symbol (one Unicode scalar value, case
// kept) to the ordered list of codon texts that may encode it.  The texts are either
// copied into the table or viewed where the filler keeps them; a list of views may
// serve several symbols, so memory grows with the distinct lists, not with the symbols.

#include <array>
#include <cstddef>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velbrin::codon {

class CustomCodonTable {
public:
    using CodonList = std::span<const std::string_view>;
    using Entries = std::map<char32_t, CodonList>;  // ascending code point

    CustomCodonTable() = default;
    CustomCodonTable(const CustomCodonTable&) = delete;
    CustomCodonTable& operator=(const CustomCodonTable&) = delete;
    // A moved-from table is left empty, its index cleared with it.
    CustomCodonTable(CustomCodonTable&& other) noexcept;
    CustomCodonTable& operator=(CustomCodonTable&& other) noexcept;

    // A symbol already present gets the new list.  The table keeps copies of the texts.
    void insert_or_replace(char32_t symbol, std::vector<std::string> codons);
    // The same with views: the texts must outlive the table.  Returns the list as kept,
    // which `insert_or_replace_shared` can give further symbols.
    CodonList insert_or_replace_views(char32_t symbol, std::vector<std::string_view> codons);
    // `codons` must be a list this table returned.
    void insert_or_replace_shared(char32_t symbol, CodonList codons);

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
    // What the lists view: deque elements, and the buffers of the vectors in them, stay
    // where they are as the deques grow or move.
    std::deque<std::vector<std::string_view>> lists_;
    std::deque<std::vector<std::string>> copied_texts_;
};

}  // namespace velbrin::codon
