#pragma once
// The signals that end the command by default and can be caught: each one ends it as
// Ctrl-C does, with nothing half-written left behind.  SIGPIPE comes from writing to a
// closed pipe (standard output or standard error).

#include <signal.h>

#include <array>

namespace velbrin::cli {

inline constexpr std::array<int, 5> kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

}  // namespace velbrin::cli
