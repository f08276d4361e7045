#include "cli/leftover_temporaries.hpp"

#include <algorithm>
#include <string>
#include <system_error>

namespace velbrin::cli {

namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryDigits = 12;

bool is_name_digit(char c) noexcept { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string_view temporary_target(std::string_view file_name) noexcept {
    // "." + target + "." + digits + ".tmp", the target at least one character long
    constexpr std::size_t kShortest = 1 + 1 + 1 + kTemporaryDigits + kTemporarySuffix.size();
    if (file_name.size() < kShortest || file_name.front() != '.' ||
        !file_name.ends_with(kTemporarySuffix)) {
        return {};
    }
    file_name.remove_suffix(kTemporarySuffix.size());
    const auto digits = file_name.substr(file_name.size() - kTemporaryDigits);
    file_name.remove_suffix(kTemporaryDigits);
    if (file_name.back() != '.' || !std::ranges::all_of(digits, is_name_digit)) return {};
    return file_name.substr(1, file_name.size() - 2);
}

void remove_leftover_temporaries(const std::string& folder, std::filesystem::file_time_type started,
                                 const std::function<bool(std::string_view target)>& is_own) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const auto& entry = *entries;
        const auto name = entry.path().filename().native();
        const auto target = temporary_target(name);
        if (target.empty() || !is_own(target)) continue;
        std::error_code ignored;
        if (!entry.is_regular_file(ignored)) continue;
        const auto written = entry.last_write_time(ignored);
        if (!ignored && written < started) std::filesystem::remove(entry.path(), ignored);
    }
}

}  // namespace velbrin::cli
