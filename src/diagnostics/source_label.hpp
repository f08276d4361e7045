#pragma once
// The short name under which a report shows an input path.

#include <string>
#include <string_view>

namespace velbrin::diagnostics {

std::string source_label_from_path(std::string_view path, std::string_view default_label);

}  // namespace velbrin::diagnostics
