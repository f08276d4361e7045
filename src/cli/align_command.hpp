#pragma once
// `velbrin align`: one gene family from its files to its codon alignment.

#include "cli/command.hpp"

namespace velbrin::cli {

Command add_align_command(CLI::App& velbrin);

}  // namespace velbrin::cli
