#pragma once
// A caller-supplied genetic code: amino-acid symbol (one Unicode scalar value, case
// kept) to the ordered list of codon texts that may encode it.  The texts are either
// copied into the table or viewed where the filler keeps them; a list of views may
// serve several symbols, so memory grows with the distinct lists, not with the symbols.
// ASCII symbols (every residue of a normalised peptide) sit in a direct index, so filling
// and reading them allocates nothing per symbol; other symbols go to an ordered map.

#include <array>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
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

    // The list of `symbol`, or nullptr.
    const CodonList* find(char32_t symbol) const noexcept;

    // Every entry, in ascending code point order.
    std::vector<Entry> entries() const;
    bool empty() const noexcept { return size() == 0; }
    std::size_t size() const noexcept { return ascii_count_ + other_symbols_.size(); }

    // The symbols in ascending code point order, UTF-8, joined by ", ".
    std::string valid_symbol_list() const;

private:
    static constexpr std::size_t kAsciiSymbols = 128;

    // Copies of the lists' views, in blocks that never move: each list is one run of a
    // block, so a table of a few dozen lists takes one allocation.
    class ViewBlocks {
    public:
        CodonList store(std::span<const std::string_view> views);

    private:
        std::vector<std::unique_ptr<std::string_view[]>> blocks_;
        std::string_view* free_ = nullptr;
        std::size_t free_count_ = 0;
        std::size_t last_block_size_ = 0;
    };

    std::array<CodonList, kAsciiSymbols> ascii_lists_{};
    std::array<bool, kAsciiSymbols> ascii_present_{};
    std::size_t ascii_count_ = 0;
    std::map<char32_t, CodonList> other_symbols_;  // beyond ASCII; nodes never move
    ViewBlocks views_;
    std::deque<std::vector<std::string>> copied_texts_;  // elements stay where they are
};

}  // namespace velbrin::codon
