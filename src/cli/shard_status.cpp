#include "cli/shard_status.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "io/input_file.hpp"

namespace velbrin::cli {

namespace {

constexpr std::string_view kPrefix = "status.";
constexpr std::string_view kBetween = "-of-";
constexpr std::string_view kSuffix = ".tsv";

std::optional<std::size_t> whole_number(std::string_view text) noexcept {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Shard> shard_of(std::string_view numerator, std::string_view denominator) noexcept {
    const auto number = whole_number(numerator), count = whole_number(denominator);
    if (!number || !count || *number < 1 || *number > *count) return std::nullopt;
    return Shard{*number, *count};
}

struct ShardTable {
    Shard shard;
    std::string path;
    std::string text;
    std::vector<std::string_view> rows;  // views of text, each with its '\n'
};

// The shard a file name stands for, when it has the shape status.K-of-N.tsv.
std::optional<std::pair<std::string_view, std::string_view>> shard_name_parts(
    std::string_view name) noexcept {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const auto between = name.find(kBetween);
    if (between == std::string_view::npos) return std::nullopt;
    const auto numerator = name.substr(0, between), denominator = name.substr(between + 4);
    const auto is_digits = [](std::string_view text) {
        return !text.empty() &&
               std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!is_digits(numerator) || !is_digits(denominator)) return std::nullopt;
    return std::pair{numerator, denominator};
}

std::variant<std::vector<ShardTable>, io::IoFailure> find_shard_tables(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return io::failure_in(folder, error.message());
    std::vector<ShardTable> tables;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) return io::failure_in(folder, error.message());
        const auto name = entries->path().filename().string();
        const auto parts = shard_name_parts(name);
        if (!parts) continue;
        const auto shard = shard_of(parts->first, parts->second);
        if (!shard)
            return io::failure_in(entries->path().string(),
                                  "names no shard K of N with 1 <= K <= N");
        tables.push_back({*shard, entries->path().string(), {}, {}});
    }
    if (tables.empty()) {
        return io::failure_in(folder, "holds no shard status table (status.K-of-N.tsv)");
    }
    std::ranges::sort(tables, {}, [](const ShardTable& table) { return table.shard.number; });
    const auto count = tables.front().shard.count;
    for (const auto& table : tables) {
        if (table.shard.count != count) {
            return io::failure_in(folder, "holds tables of shardings into " +
                                              std::to_string(count) + " and " +
                                              std::to_string(table.shard.count) + ": " +
                                              tables.front().path + ", " + table.path);
        }
    }
    for (std::size_t k = 0; k < tables.size(); ++k) {
        if (k > 0 && tables[k].shard.number == tables[k - 1].shard.number) {
            return io::failure_in(folder, "shard " + std::to_string(tables[k].shard.number) +
                                              " of " + std::to_string(count) + " is there twice: " +
                                              tables[k - 1].path + ", " + tables[k].path);
        }
    }
    for (std::size_t number = 1; number <= count; ++number) {
        if (number > tables.size() || tables[number - 1].shard.number != number) {
            return io::failure_in(
                folder,
                "shard " + std::to_string(number) + " of " + std::to_string(count) +
                    " is missing: no " +
                    (std::filesystem::path(folder) / shard_status_name({number, count})).string());
        }
    }
    return tables;
}

// Splits the table into its heading and its rows.
std::optional<io::IoFailure> split_rows(ShardTable& table, std::string_view& heading) {
    std::string_view text = table.text;
    if (text.empty() || text.back() != '\n') return io::failure_in(table.path, "is cut short");
    const auto end = text.find('\n');
    heading = text.substr(0, end + 1);
    text.remove_prefix(end + 1);
    while (!text.empty()) {
        const auto line_end = text.find('\n');
        table.rows.push_back(text.substr(0, line_end + 1));
        text.remove_prefix(line_end + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<Shard> parse_shard(std::string_view text) noexcept {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    return shard_of(text.substr(0, slash), text.substr(slash + 1));
}

std::vector<family::FamilyInputs> families_of_shard(std::vector<family::FamilyInputs> families,
                                                    Shard shard) {
    std::vector<family::FamilyInputs> chosen;
    chosen.reserve(families.size() / shard.count + 1);
    for (std::size_t i = shard.number - 1; i < families.size(); i += shard.count) {
        chosen.push_back(std::move(families[i]));
    }
    return chosen;
}

std::string shard_status_name(Shard shard) {
    return std::string(kPrefix) + std::to_string(shard.number) + std::string(kBetween) +
           std::to_string(shard.count) + std::string(kSuffix);
}

std::variant<std::string, io::IoFailure> merge_shard_tables(const std::string& folder) {
    auto found = find_shard_tables(folder);
    if (auto* failure = std::get_if<io::IoFailure>(&found)) return std::move(*failure);
    auto& tables = std::get<std::vector<ShardTable>>(found);
    std::string_view heading;
    std::size_t total = 0;
    for (auto& table : tables) {
        auto text = io::read_input(table.path);
        if (auto* failure = std::get_if<io::IoFailure>(&text)) return std::move(*failure);
        table.text = std::move(std::get<std::string>(text));
        std::string_view own_heading;
        if (auto failure = split_rows(table, own_heading)) return std::move(*failure);
        if (heading.empty()) heading = own_heading;
        if (own_heading != heading) {
            return io::failure_in(table.path, "has other columns than " + tables.front().path);
        }
        total += table.text.size();
    }
    // Shard K holds the positions K-1, K-1+N, ...: the first shards hold one row more
    // than the last ones, or all hold as many.
    const auto most = tables.front().rows.size();
    for (std::size_t k = 1; k < tables.size(); ++k) {
        const auto rows = tables[k].rows.size();
        if (rows > tables[k - 1].rows.size() || rows + 1 < most) {
            return io::failure_in(tables[k].path, "holds " + std::to_string(rows) +
                                                      " rows beside " + std::to_string(most) +
                                                      " of " + tables.front().path +
                                                      ": not a shard of the same batch");
        }
    }
    std::string merged;
    merged.reserve(total);
    merged.append(heading);
    for (std::size_t row = 0; row < most; ++row) {
        for (const auto& table : tables) {
            if (row < table.rows.size()) merged.append(table.rows[row]);
        }
    }
    return merged;
}

}  // namespace velbrin::cli
