#pragma once
// A caller-supplied genetic code: amino-acid symbol (one Unicode scalar value, case
// kept) to the ordered list of codon texts that may encode it.  The texts are either
// copied into the table or viewed where the filler keeps them; a list of views may
// serve several symbols, so memory grows with the distinct lists, not with the symbols.
// ASCII symbols (every residue of a normalised peptide) sit in a direct index, so filling
// and reading them allocates nothing per symbol; other symbols go to an ordered map.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velbrin::codon {

class CustomCodonTable {
public:
    using CodonList = std::span<const std::string_view>;
    using Entry = std::pair<char32_t, CodonList>;

    CustomCodonTable() = default;
    CustomCodonTable(const CustomCodonTable&) = delete;
    CustomCodonTable& operator=(const CustomCodonTable&) = delete;
    // A moved-from table is left empty.
    CustomCodonTable(CustomCodonTable&& other) noexcept;
    CustomCodonTable& operator=(CustomCodonTable&& other) noexcept;

    // A symbol already present gets the new list.  The table keeps copies of the texts.
    void insert_or_replace(char32_t symbol, std::vector<std::string> codons);
    // The same with views: the texts must outlive the table (the views themselves are
    // copied in).  Returns the list as kept, which `insert_or_replace_shared` can give
    // further symbols.
    CodonList insert_or_replace_views(char32_t symbol, std::span<const std::string_view> codons);
    // `codons` must be a list this table returned.
    void insert_or_replace_shared(char32_t symbol, CodonList codons);
    // The list itself, views and all, is the filler's: it must outlive the table.
    void insert_or_replace_borrowed(char32_t symbol, CodonList codons) {
        insert_or_replace_shared(symbol, codons);
    }

    // Room for `symbols` symbols, so that filling the table allocates less.
    void reserve(std::size_t symbols);

    // The list of `symbol`, or nullptr.
    const CodonList* find(char32_t symbol) const noexcept;

    // Every entry, in ascending code point order.
    std::vector<Entry> entries() const;
    bool empty() const noexcept { return size() == 0; }
    std::size_t size() const noexcept { return ascii_lists_.size() + other_symbols_.size(); }

    // The symbols in ascending code point order, UTF-8, joined by ", ".
    std::string valid_symbol_list() const;

private:
    static constexpr std::size_t kAsciiSymbols = 128;

    // Copies of the lists' views, in blocks whose storage never moves (each is reserved
    // once and never filled past that): each list is one run of a block, so a table of a
    // few dozen lists takes one allocation, and nothing is written twice.
    class ViewBlocks {
    public:
        CodonList store(std::span<const std::string_view> views);

    private:
        std::vector<std::vector<std::string_view>> blocks_;
    };

    // An ASCII symbol's list is ascii_lists_[slot - 1], slot 0 meaning none: the table
    // stays small, so making and moving one (once per call of the module) is cheap.
    std::array<std::uint8_t, kAsciiSymbols> ascii_slots_{};
    static_assert(kAsciiSymbols <= 255, "a slot holds every ASCII list's index + 1");
    std::vector<CodonList> ascii_lists_;
    std::map<char32_t, CodonList> other_symbols_;  // beyond ASCII; nodes never move
    ViewBlocks views_;
    // A list's strings stay where they are when the outer vector grows (its elements'
    // buffers move with them), so views of them stay valid.
    std::vector<std::vector<std::string>> copied_texts_;
};

}  // namespace velbrin::codon
