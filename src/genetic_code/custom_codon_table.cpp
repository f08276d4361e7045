#include "genetic_code/custom_codon_table.hpp"

#include <utility>

#include "text/unicode_text.hpp"

namespace velbrin::codon {
namespace {

constexpr std::size_t kMaxUtf8Bytes = 4;
constexpr std::string_view kSeparator = ", ";

}  // namespace

CustomCodonTable::CustomCodonTable(CustomCodonTable&& other) noexcept
    : entries_(std::move(other.entries_)),
      ascii_index_(std::exchange(other.ascii_index_, {})),
      lists_(std::move(other.lists_)),
      copied_texts_(std::move(other.copied_texts_)) {
    other.entries_.clear();
}

CustomCodonTable& CustomCodonTable::operator=(CustomCodonTable&& other) noexcept {
    if (this != &other) {
        entries_ = std::move(other.entries_);
        ascii_index_ = std::exchange(other.ascii_index_, {});
        lists_ = std::move(other.lists_);
        copied_texts_ = std::move(other.copied_texts_);
        other.entries_.clear();
    }
    return *this;
}

void CustomCodonTable::insert_or_replace(char32_t symbol, std::vector<std::string> codons) {
    const std::vector<std::string>& texts = copied_texts_.emplace_back(std::move(codons));
    insert_or_replace_views(symbol, std::vector<std::string_view>(texts.begin(), texts.end()));
}

CustomCodonTable::CodonList CustomCodonTable::insert_or_replace_views(
    char32_t symbol, std::vector<std::string_view> codons) {
    const CodonList kept = lists_.emplace_back(std::move(codons));
    insert_or_replace_shared(symbol, kept);
    return kept;
}

void CustomCodonTable::insert_or_replace_shared(char32_t symbol, CodonList codons) {
    const auto position = entries_.insert_or_assign(symbol, codons).first;
    if (symbol < ascii_index_.size()) ascii_index_[symbol] = &position->second;
}

const CustomCodonTable::CodonList* CustomCodonTable::find(char32_t symbol) const noexcept {
    if (symbol < ascii_index_.size()) return ascii_index_[symbol];
    const auto position = entries_.find(symbol);
    return position == entries_.end() ? nullptr : &position->second;
}

std::string CustomCodonTable::valid_symbol_list() const {
    std::string list;
    if (entries_.empty()) return list;
    list.reserve(entries_.size() * (kMaxUtf8Bytes + kSeparator.size()));
    for (const auto& entry : entries_) {
        if (entry.first != entries_.begin()->first) list += kSeparator;
        // a key that is no Unicode scalar value is written as U+FFFD, never as bad UTF-8
        list += text::encode_utf8(entry.first).view();
    }
    return list;
}

}  // namespace velbrin::codon
