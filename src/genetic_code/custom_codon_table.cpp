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
    if (views.size() > free_count_) {
        // Each block at least doubles the last, so there are few of them and the unused
        // tails stay within the views stored.
        last_block_size_ = std::max({views.size(), 2 * last_block_size_, kFirstViewBlock});
        free_ = blocks_.emplace_back(std::make_unique<std::string_view[]>(last_block_size_)).get();
        free_count_ = last_block_size_;
    }
    std::string_view* const kept = free_;
    std::copy(views.begin(), views.end(), kept);
    free_ += views.size();
    free_count_ -= views.size();
    return CodonList(kept, views.size());
}

CustomCodonTable::CustomCodonTable(CustomCodonTable&& other) noexcept
    : ascii_lists_(std::exchange(other.ascii_lists_, {})),
      ascii_present_(std::exchange(other.ascii_present_, {})),
      ascii_count_(std::exchange(other.ascii_count_, 0)),
      other_symbols_(std::move(other.other_symbols_)),
      views_(std::exchange(other.views_, {})),
      copied_texts_(std::move(other.copied_texts_)) {
    other.other_symbols_.clear();
}

CustomCodonTable& CustomCodonTable::operator=(CustomCodonTable&& other) noexcept {
    if (this != &other) {
        ascii_lists_ = std::exchange(other.ascii_lists_, {});
        ascii_present_ = std::exchange(other.ascii_present_, {});
        ascii_count_ = std::exchange(other.ascii_count_, 0);
        other_symbols_ = std::move(other.other_symbols_);
        views_ = std::exchange(other.views_, {});
        copied_texts_ = std::move(other.copied_texts_);
        other.other_symbols_.clear();
    }
    return *this;
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
    ascii_count_ += ascii_present_[symbol] ? 0 : 1;
    ascii_present_[symbol] = true;
    ascii_lists_[symbol] = codons;
}

const CustomCodonTable::CodonList* CustomCodonTable::find(char32_t symbol) const noexcept {
    if (symbol < kAsciiSymbols) return ascii_present_[symbol] ? &ascii_lists_[symbol] : nullptr;
    const auto position = other_symbols_.find(symbol);
    return position == other_symbols_.end() ? nullptr : &position->second;
}

std::vector<CustomCodonTable::Entry> CustomCodonTable::entries() const {
    std::vector<Entry> entries;
    entries.reserve(size());
    for (char32_t symbol = 0; symbol < kAsciiSymbols; ++symbol) {
        if (ascii_present_[symbol]) entries.emplace_back(symbol, ascii_lists_[symbol]);
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
