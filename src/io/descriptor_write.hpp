#pragma once
// Writing to an open descriptor, whole.

#include <string_view>

namespace velbrin::io {

// Writes all of `bytes`, resuming after interruptions and short writes; returns 0 or the
// errno of the failed write.
int write_all(int descriptor, std::string_view bytes) noexcept;

}  // namespace velbrin::io
