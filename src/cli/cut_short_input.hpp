#pragma once
// Inputs are mapped, not copied.  Another process that cuts a mapped file short while
// the command reads it takes pages from under it, and reading one raises SIGBUS.  The
// command then ends with status 1 and a line saying why, rather than dying of a bus
// error.

namespace velbrin::cli {

// For the rest of the process, SIGBUS reports and ends the command with status 1;
// `before_exit`, when given, runs first and must be safe inside a signal handler.
void end_on_cut_short_input(void (*before_exit)() noexcept = nullptr);

}  // namespace velbrin::cli
