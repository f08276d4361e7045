#include "codon/custom_codon_table.hpp"

#include <utility>

namespace velbrin::codon {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr bool is_unicode_scalar(char32_t symbol) noexcept {
    return symbol <= 0x10FFFF && (symbol < 0xD800 || symbol > 0xDFFF);
}

// A key that is no Unicode scalar value (never made by the conversion, which only
// takes valid UTF-8) is written as U+FFFD rather than as malformed UTF-8.
void append_utf8(std::string& out, char32_t symbol) {
    if (!is_unicode_scalar(symbol)) symbol = kReplacementCharacter;
    const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
    if (symbol < 0x80) {
        out += byte(symbol);
    } else if (symbol < 0x800) {
        out += byte(0xC0 | (symbol >> 6));
        out += byte(0x80 | (symbol & 0x3F));
    } else if (symbol < 0x10000) {
        out += byte(0xE0 | (symbol >> 12));
        out += byte(0x80 | ((symbol >> 6) & 0x3F));
        out += byte(0x80 | (symbol & 0x3F));
    } else {
        out += byte(0xF0 | (symbol >> 18));
        out += byte(0x80 | ((symbol >> 12) & 0x3F));
        out += byte(0x80 | ((symbol >> 6) & 0x3F));
        out += byte(0x80 | (symbol & 0x3F));
    }
}

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

CustomCodonTable::CodonList CustomCodonTable::insert_or_replace_views(char32_t symbol,
                                                                      std::vector<std::string_view> codons) {
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
        append_utf8(list, entry.first);
    }
    return list;
}

}  // namespace velbrin::codon
