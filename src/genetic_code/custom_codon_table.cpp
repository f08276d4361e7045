#include "genetic_code/custom_codon_table.hpp"

#include <algorithm>
#include <utility>

#include "text/unicode_text.hpp"

namespace velbrin::codon {
namespace {

constexpr std::size_t kMaxUtf8Bytes = 4;
constexpr std::string_view kSeparator = ", ";
// Room for every codon of a whole genetic code in the first block.
constexpr std::size_t kFirstViewBlock = 128;

}  // namespace

CustomCodonTable::CodonList CustomCodonTable::ViewBlocks::store(
    std::span<const std::string_view> views) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < views.size()) {
        // Each block at least doubles the last, so there are few of them and the unused
        // tails stay within the views stored.
        const std::size_t last = blocks_.empty() ? 0 : blocks_.back().capacity();
        blocks_.emplace_back().reserve(std::max({views.size(), 2 * last, kFirstViewBlock}));
    }
    std::vector<std::string_view>& block = blocks_.back();
    const std::size_t at = block.size();
    block.insert(block.end(), views.begin(), views.end());
    return CodonList(block.data() + at, views.size());
}

CustomCodonTable::CustomCodonTable(CustomCodonTable&& other) noexcept
    : ascii_slots_(std::exchange(other.ascii_slots_, {})),
      ascii_lists_(std::move(other.ascii_lists_)),
      other_symbols_(std::move(other.other_symbols_)),
      views_(std::exchange(other.views_, {})),
      copied_texts_(std::move(other.copied_texts_)) {
    other.ascii_lists_.clear();
    other.other_symbols_.clear();
    other.copied_texts_.clear();
}

CustomCodonTable& CustomCodonTable::operator=(CustomCodonTable&& other) noexcept {
    if (this != &other) {
        ascii_slots_ = std::exchange(other.ascii_slots_, {});
        ascii_lists_ = std::move(other.ascii_lists_);
        other_symbols_ = std::move(other.other_symbols_);
        views_ = std::exchange(other.views_, {});
        copied_texts_ = std::move(other.copied_texts_);
        other.ascii_lists_.clear();
        other.other_symbols_.clear();
        other.copied_texts_.clear();
    }
    return *this;
}

void CustomCodonTable::reserve(std::size_t symbols) {
    ascii_lists_.reserve(std::min(symbols, kAsciiSymbols));
}

void CustomCodonTable::insert_or_replace(char32_t symbol, std::vector<std::string> codons) {
    const std::vector<std::string>& texts = copied_texts_.emplace_back(std::move(codons));
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    insert_or_replace_views(symbol, views);
}

CustomCodonTable::CodonList CustomCodonTable::insert_or_replace_views(
    char32_t symbol, std::span<const std::string_view> codons) {
    const CodonList kept = views_.store(codons);
    insert_or_replace_shared(symbol, kept);
    return kept;
}

void CustomCodonTable::insert_or_replace_shared(char32_t symbol, CodonList codons) {
    if (symbol >= kAsciiSymbols) {
        other_symbols_.insert_or_assign(symbol, codons);
        return;
    }
    std::uint8_t& slot = ascii_slots_[symbol];
    if (slot != 0) {
        ascii_lists_[slot - 1] = codons;
        return;
    }
    ascii_lists_.push_back(codons);
    slot = static_cast<std::uint8_t>(ascii_lists_.size());
}

const CustomCodonTable::CodonList* CustomCodonTable::find(char32_t symbol) const noexcept {
    if (symbol < kAsciiSymbols) {
        const std::uint8_t slot = ascii_slots_[symbol];
        return slot == 0 ? nullptr : &ascii_lists_[slot - 1];
    }
    const auto position = other_symbols_.find(symbol);
    return position == other_symbols_.end() ? nullptr : &position->second;
}

std::vector<CustomCodonTable::Entry> CustomCodonTable::entries() const {
    std::vector<Entry> entries;
    entries.reserve(size());
    for (char32_t symbol = 0; symbol < kAsciiSymbols; ++symbol) {
        if (const std::uint8_t slot = ascii_slots_[symbol])
            entries.emplace_back(symbol, ascii_lists_[slot - 1]);
    }
    entries.insert(entries.end(), other_symbols_.begin(), other_symbols_.end());
    return entries;
}

std::string CustomCodonTable::valid_symbol_list() const {
    std::string list;
    list.reserve(size() * (kMaxUtf8Bytes + kSeparator.size()));
    for (const Entry& entry : entries()) {
        if (!list.empty()) list += kSeparator;
        // a key that is no Unicode scalar value is written as U+FFFD, never as bad UTF-8
        list += text::encode_utf8(entry.first).view();
    }
    return list;
}

}  // namespace velbrin::codon
