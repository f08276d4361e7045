#pragma once
// `velbrin batch`: many gene families, from a manifest or two folders, on every core.

#include "cli/command.hpp"

namespace velbrin::cli {

Command add_batch_command(CLI::App& velbrin);

}  // namespace velbrin::cli
