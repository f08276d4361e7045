#pragma once
// The manual page velbrin(1) in roff, written from the command's outline: the same
// descriptions, options and defaults that --help shows.

#include <string>
#include <string_view>

#include "cli/command_outline.hpp"

namespace velbrin::cli {

std::string man_page(const CommandOutline& command, std::string_view version);

}  // namespace velbrin::cli
