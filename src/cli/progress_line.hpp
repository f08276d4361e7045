#pragma once
// The batch's progress on a terminal: one line, redrawn in place.

#include <chrono>
#include <cstdint>
#include <string>

namespace velbrin::cli {

struct ProgressCounts {
    std::size_t done = 0, failed = 0, total = 0;
    std::uint64_t bytes_done = 0, bytes_total = 0;  // input bytes of the families
    std::chrono::duration<double> elapsed{};
};

// "\r12/40 families, 1 failed, 310.5 MB/s, ETA 0:07\x1b[K": carriage return first and the
// rest of the line erased last, so a shorter line leaves nothing of a longer one behind.
std::string format_progress(const ProgressCounts& counts);

// Draws on standard error, which the caller has found to be a terminal.
class ProgressLine {
public:
    void draw(const ProgressCounts& counts);
    // Erases the line, if one was drawn.
    void clear();

private:
    bool drawn_ = false;
};

}  // namespace velbrin::cli
