#include "cli/progress_line.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace velbrin::cli {

namespace {

constexpr std::string_view kEraseToEnd = "\x1b[K";
constexpr double kBytesPerMegabyte = 1e6;

void write_to_terminal(std::string_view text) {
    while (!text.empty()) {
        const auto written = ::write(STDERR_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // a progress line is not worth failing over
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string eta_text(const ProgressCounts& counts) {
    const double seconds = counts.elapsed.count();
    if (counts.bytes_done == 0 || seconds <= 0) return "--";
    const double remaining = static_cast<double>(counts.bytes_total - counts.bytes_done) * seconds /
                             static_cast<double>(counts.bytes_done);
    const auto whole = static_cast<unsigned long long>(remaining + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string format_progress(const ProgressCounts& counts) {
    const double seconds = counts.elapsed.count();
    const double rate =
        seconds > 0 ? static_cast<double>(counts.bytes_done) / kBytesPerMegabyte / seconds : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "\r%zu/%zu families, %zu failed, %.1f MB/s, ETA %s",
                  counts.done, counts.total, counts.failed, rate, eta_text(counts).c_str());
    std::string line(text);
    line.append(kEraseToEnd);
    return line;
}

void ProgressLine::draw(const ProgressCounts& counts) {
    write_to_terminal(format_progress(counts));
    drawn_ = true;
}

void ProgressLine::clear() {
    if (!drawn_) return;
    write_to_terminal("\r");
    write_to_terminal(kEraseToEnd);
    drawn_ = false;
}

}  // namespace velbrin::cli
