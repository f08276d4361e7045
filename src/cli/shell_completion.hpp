#pragma once
// Completion scripts for bash, zsh and fish, written from the command's outline: the
// subcommands, their options and the values an option takes.

#include <string>
#include <string_view>

#include "cli/command_outline.hpp"

namespace velbrin::cli {

enum class Shell { bash, zsh, fish };

// The outline is the whole command: its options and one level of subcommands.
std::string completion_script(Shell shell, const CommandOutline& command);

}  // namespace velbrin::cli
