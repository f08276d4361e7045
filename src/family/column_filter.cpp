#include "family/column_filter.hpp"

#include <cstddef>
#include <cstring>

namespace velbrin::family {
namespace {

bool is_gap(std::string_view codon) noexcept { return codon == "---"; }

// One flag per codon column: whether any row drops it.
std::vector<char> dropped_columns(std::span<const std::string_view> rows, const ColumnDrops& drops,
                                  std::size_t columns) {
    std::vector<char> dropped(columns, 0);
    for (const std::string_view row : rows) {
        for (std::size_t column = 0; column < columns; ++column) {
            const std::string_view codon = row.substr(3 * column, 3);
            dropped[column] |=
                char((drops.gaps && is_gap(codon)) || (drops.stops && drops.stops->is_stop(codon)));
        }
    }
    return dropped;
}

}  // namespace

std::vector<std::string_view> drop_columns(std::span<const std::string_view> rows,
                                           const ColumnDrops& drops, std::string& storage) {
    std::vector<std::string_view> kept(rows.begin(), rows.end());
    if (rows.empty() || (!drops.gaps && drops.stops == nullptr)) return kept;
    const std::size_t columns = rows.front().size() / 3;
    const std::vector<char> dropped = dropped_columns(rows, drops, columns);
    std::size_t kept_columns = 0;
    for (const char drop : dropped) kept_columns += drop == 0;
    if (kept_columns == columns) return kept;

    storage.resize(rows.size() * 3 * kept_columns);
    char* out = storage.data();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        char* const start = out;
        for (std::size_t column = 0; column < columns; ++column) {
            if (dropped[column] != 0) continue;
            std::memcpy(out, rows[row].data() + 3 * column, 3);
            out += 3;
        }
        kept[row] = std::string_view(start, std::size_t(out - start));
    }
    return kept;
}

}  // namespace velbrin::family
