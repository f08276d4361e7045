#include "cli/status_table.hpp"

#include <array>
#include <charconv>
#include <initializer_list>

namespace velbrin::cli {

namespace {

constexpr std::string_view kHeading =
    "family\tstatus\tkind\trecords\tcodon_columns\tnucleotides\tseconds\tsummary\t"
    "trimmed_stops\talternative_starts\tmasked_codons\tdropped_records\n";

constexpr std::array<std::string_view, 5> kStatusNames{"aligned", "failed", "input_error",
                                                       "skipped", "not_run"};
static_assert(kStatusNames.size() == static_cast<std::size_t>(BatchStatus::not_run) + 1);

bool ran(BatchStatus status) noexcept {
    return status != BatchStatus::skipped && status != BatchStatus::not_run;
}

// A summary is one cell: tabs and line ends inside it would break the row.
void append_cell_text(std::string& out, std::string_view text) {
    for (const char c : text) out.push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

void append_number(std::string& out, std::size_t value) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end);
}

void append_seconds(std::string& out, double seconds) {
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), seconds,
                                   std::chars_format::fixed, 3)
                         .ptr;
    out.append(digits.data(), end);
}

void append_row(std::string& out, std::string_view family, const FamilyOutcome& outcome) {
    out.append(family);
    out.push_back('\t');
    out.append(batch_status_name(outcome.status));
    out.push_back('\t');
    if (outcome.kind && outcome.status == BatchStatus::failed) {
        out.append(codon::failure_kind_name(*outcome.kind));
    }
    out.push_back('\t');
    if (ran(outcome.status)) {
        append_number(out, outcome.records);
        out.push_back('\t');
        // Only an alignment has codon columns; a failed family's records were still read.
        if (outcome.status == BatchStatus::aligned) append_number(out, outcome.columns);
        out.push_back('\t');
        append_number(out, outcome.nucleotides);
        out.push_back('\t');
        append_seconds(out, outcome.seconds);
    } else {
        out.append("\t\t\t");
    }
    out.push_back('\t');
    append_cell_text(out, outcome.summary);
    for (const std::size_t count : {outcome.trimmed_stops, outcome.alternative_starts,
                                    outcome.masked_codons, outcome.dropped_records}) {
        out.push_back('\t');
        if (ran(outcome.status)) append_number(out, count);
    }
    out.push_back('\n');
}

}  // namespace

std::string_view batch_status_name(BatchStatus status) noexcept {
    return kStatusNames[static_cast<std::size_t>(status)];
}

std::string format_status_table(std::span<const family::FamilyInputs> families,
                                std::span<const FamilyOutcome> outcomes) {
    std::string table;
    constexpr std::size_t kTypicalRow = 96;
    table.reserve(kHeading.size() + families.size() * kTypicalRow);
    table.append(kHeading);
    for (std::size_t i = 0; i < families.size(); ++i)
        append_row(table, families[i].name, outcomes[i]);
    return table;
}

}  // namespace velbrin::cli
