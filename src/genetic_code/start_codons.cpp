#include "genetic_code/start_codons.hpp"

namespace velbrin::codon {
namespace {

constexpr bool rows_match_the_tables() {
    for (std::size_t t = 0; t < kNcbiTableCount; ++t) {
        const detail::StartRow& start = detail::kStartRows[t];
        if (start.number != NCBI_TABLES[t].number || start.row.size() != kCodonCount) return false;
        for (std::size_t index = 0; index < kCodonCount; ++index) {
            const char letter = start.row[index];
            if (letter != 'M' && letter != '*' && letter != '-') return false;
        }
    }
    return true;
}

static_assert(rows_match_the_tables());
static_assert(StartCodons::of_start_row(detail::kStartRows[0].row).contains("ATG"));
static_assert(StartCodons::of_start_row(detail::kStartRows[8].row).contains("GTG"));
static_assert(!StartCodons::of_start_row(detail::kStartRows[8].row).contains("GTA"));

}  // namespace

std::optional<StartCodons> ncbi_start_codons(std::int32_t table_num) noexcept {
    for (const detail::StartRow& start : detail::kStartRows) {
        if (start.number == table_num) return StartCodons::of_start_row(start.row);
    }
    return std::nullopt;
}

}  // namespace velbrin::codon
