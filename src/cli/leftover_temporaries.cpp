#include "cli/leftover_temporaries.hpp"

#include <string>
#include <system_error>

#include "io/atomic_output.hpp"

namespace velbrin::cli {

std::string_view temporary_target(std::string_view file_name) noexcept {
    // ".velbrin-tmp-" + 12 letters or digits + "-" + target (a long target cut short)
    if (!io::is_temporary_name(file_name)) return {};
    return file_name.substr(file_name.find('-', std::string_view(".velbrin-tmp-").size()) + 1);
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
