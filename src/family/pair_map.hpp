#pragma once
// A user's table of which nucleotide ID belongs to each peptide ID: two tab-separated
// columns per line; blank lines and lines starting with '#' are skipped.

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/result.hpp"

namespace velbrin::family {

class PairMap {
public:
    // A peptide ID on two lines fails, naming the second.
    static io::Result<PairMap> parse(std::string text, std::string label);
    static io::Result<PairMap> read(std::string_view path);

    std::optional<std::string_view> nucleotide_of(std::string_view peptide) const;
    const std::string& label() const noexcept { return *label_; }

private:
    struct Entry {
        std::string_view peptide, nucleotide;
        std::size_t line;
    };

    std::shared_ptr<const std::string> text_, label_;  // the views point into text_
    std::vector<Entry> entries_;                       // sorted by peptide ID
};

// The map a run names, read on first use and shared by every family of the run.
class SharedPairMap {
public:
    explicit SharedPairMap(std::string path) : path_(std::move(path)) {}
    const io::Result<PairMap>& get() const;

private:
    std::string path_;
    mutable std::once_flag read_;
    mutable std::optional<io::Result<PairMap>> map_;
};

}  // namespace velbrin::family
