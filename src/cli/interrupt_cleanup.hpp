#pragma once
// Ctrl-C, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE end the command with status 128 + signal,
// removing the output's temporary file first.

#include <string>

namespace velbrin::cli {

// Installs the handlers for its lifetime.
class InterruptCleanup {
public:
    InterruptCleanup();
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // The file an interruption removes; `path` must outlive the guard or forget().
    void remove_on_interrupt(const std::string& path) noexcept;
    void forget() noexcept;
};

}  // namespace velbrin::cli
