#include "family/pair_map.hpp"

#include <algorithm>
#include <utility>

#include "io/input_file.hpp"

namespace velbrin::family {
namespace {

std::string_view without_carriage_return(std::string_view field) noexcept {
    if (!field.empty() && field.back() == '\r') field.remove_suffix(1);
    return field;
}

}  // namespace

io::Result<PairMap> PairMap::parse(std::string text, std::string label) {
    PairMap map;
    map.text_ = std::make_shared<const std::string>(std::move(text));
    map.label_ = std::make_shared<const std::string>(std::move(label));
    const std::string_view all = *map.text_;
    std::size_t line = 0;
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find('\n', at);
        if (end == std::string_view::npos) end = all.size();
        const std::string_view row = without_carriage_return(all.substr(at, end - at));
        at = end + 1;
        ++line;
        if (row.empty() || row.front() == '#') continue;
        const std::size_t tab = row.find('\t');
        const std::string_view peptide = row.substr(0, tab);
        const std::string_view nucleotide =
            tab == std::string_view::npos ? std::string_view() : row.substr(tab + 1);
        const std::string_view first = nucleotide.substr(0, nucleotide.find('\t'));
        if (peptide.empty() || first.empty()) {
            return io::failure_at(*map.label_, line,
                                  "expected a peptide ID and a nucleotide ID separated by a tab");
        }
        map.entries_.push_back({peptide, first, line});
    }
    std::stable_sort(map.entries_.begin(), map.entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.peptide < b.peptide; });
    for (std::size_t i = 1; i < map.entries_.size(); ++i) {
        const Entry& earlier = map.entries_[i - 1];
        const Entry& later = map.entries_[i];
        if (earlier.peptide != later.peptide) continue;
        return io::failure_at(*map.label_, later.line,
                              "the peptide ID '" + std::string(later.peptide) +
                                  "' is mapped twice (first on line " +
                                  std::to_string(earlier.line) + ")");
    }
    return map;
}

io::Result<PairMap> PairMap::read(std::string_view path) {
    io::Result<std::string> text = io::read_input(path);
    if (!text) return std::move(text).failure();
    return parse(std::move(text).value(), std::string(io::input_label(path)));
}

std::optional<std::string_view> PairMap::nucleotide_of(std::string_view peptide) const {
    const auto found = std::lower_bound(
        entries_.begin(), entries_.end(), peptide,
        [](const Entry& entry, std::string_view id) { return entry.peptide < id; });
    if (found == entries_.end() || found->peptide != peptide) return std::nullopt;
    return found->nucleotide;
}

const io::Result<PairMap>& SharedPairMap::get() const {
    std::call_once(read_, [this] { map_.emplace(PairMap::read(path_)); });
    return *map_;
}

}  // namespace velbrin::family
