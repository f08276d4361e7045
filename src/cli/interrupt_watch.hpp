#pragma once
// Ctrl-C and termination requests received as events the main loop waits for, so no
// work happens in a signal handler.

#include <chrono>
#include <optional>

#include "io/result.hpp"

namespace velbrin::cli {

// Blocks SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE in the calling thread (threads started
// afterwards inherit the mask, so none of them is interrupted) and receives them through a
// descriptor. The mask stays in force after destruction: the command ends soon after, and a signal
// arriving late must not kill it before it has written its status table.
class InterruptWatch {
public:
    static io::Result<InterruptWatch> open();

    InterruptWatch(InterruptWatch&& other) noexcept;
    InterruptWatch& operator=(InterruptWatch&&) = delete;
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    ~InterruptWatch();

    // Waits up to `timeout` (forever when nullopt) for a signal or a wake(); returns the
    // signal's number, or 0 when woken or timed out.
    int wait(std::optional<std::chrono::milliseconds> timeout);

    // The signal received since the last wait, if any; does not block.
    int poll() { return wait(std::chrono::milliseconds(0)); }

    // Ends a wait early; safe from any thread.
    void wake() noexcept;

private:
    InterruptWatch(int signal_descriptor, int wake_descriptor) noexcept;

    int signal_descriptor_ = -1;
    int wake_descriptor_ = -1;
};

}  // namespace velbrin::cli
