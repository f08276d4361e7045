#pragma once
// Ctrl-C, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE end the command with status 128 + signal,
// removing the output's temporary file first; so does an input cut short while it is
// read (with status 1, see cut_short_input).

#include <signal.h>

#include <string>

#include "io/atomic_output.hpp"

namespace velbrin::cli {

// Installs the handlers for its lifetime.  Given to the output as its TemporaryWatch, it
// holds the signals back while the temporary is created and registers it before they
// come through.  For a single-threaded command: the signals are held in the calling thread.
class InterruptCleanup final : public io::TemporaryWatch {
public:
    InterruptCleanup();
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    void hold() noexcept override;
    // The file an interruption removes from now on; it must outlive the guard or forget().
    void release(const std::string* temporary_path) noexcept override;
    void forget() noexcept;

private:
    sigset_t before_hold_{};
};

}  // namespace velbrin::cli
