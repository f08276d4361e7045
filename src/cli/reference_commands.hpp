#pragma once
// `velbrin completions SHELL` and the hidden `velbrin man`: the completion scripts and the
// manual page, written from the option definitions of the whole command.

#include "cli/command.hpp"

namespace velbrin::cli {

// Register these after every other subcommand: they describe the tree as it is when run.
Command add_completions_command(CLI::App& velbrin);
Command add_man_command(CLI::App& velbrin);

}  // namespace velbrin::cli
