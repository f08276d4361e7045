#include "family/column_filter.hpp"

#include <cstddef>
#include <cstring>

namespace velbrin::family {
namespace {

bool is_gap(std::string_view codon) noexcept { return codon == "---"; }

// One flag per codon column: whether any row drops it.
std::vector<char> dropped_columns(std::span<const char> rows, std::size_t row_size,
                                  const ColumnDrops& drops) {
    const std::size_t columns = row_size / 3;
    std::vector<char> dropped(columns, 0);
    for (std::size_t start = 0; start < rows.size(); start += row_size) {
        for (std::size_t column = 0; column < columns; ++column) {
            const std::string_view codon(rows.data() + start + 3 * column, 3);
            dropped[column] |=
                char((drops.gaps && is_gap(codon)) || (drops.stops && drops.stops->is_stop(codon)));
        }
    }
    return dropped;
}

}  // namespace

std::size_t drop_columns(std::span<char> rows, std::size_t row_size, const ColumnDrops& drops) {
    if (rows.empty() || row_size == 0 || (!drops.gaps && drops.stops == nullptr)) return row_size;
    const std::vector<char> dropped = dropped_columns(rows, row_size, drops);
    std::size_t kept_columns = 0;
    for (const char drop : dropped) kept_columns += drop == 0;
    if (3 * kept_columns == row_size) return row_size;

    // Every write lands at or before the codon it copies, which is read first.
    char* out = rows.data();
    for (std::size_t start = 0; start < rows.size(); start += row_size) {
        for (std::size_t column = 0; column < dropped.size(); ++column) {
            if (dropped[column] != 0) continue;
            std::memmove(out, rows.data() + start + 3 * column, 3);
            out += 3;
        }
    }
    return 3 * kept_columns;
}

}  // namespace velbrin::family
