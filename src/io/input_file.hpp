#pragma once
// Reads a whole input file or standard input, inflating gzip content.

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "io/input_limits.hpp"
#include "io/input_text.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

// The path that reads standard input.
inline constexpr std::string_view kStandardInputPath = "-";

// The name a file goes by in messages: "standard input" for "-", else the path as given.
std::string_view input_label(std::string_view path) noexcept;

// The whole content of `path` ("-" reads standard input), gzip (recognised by its magic
// bytes, any number of members) inflated.  A plain regular file is mapped, not copied;
// any other input is taken a block at a time, and refused at the first block that holds
// a control byte (a device, a binary file) or passes `max_size`.
std::variant<InputText, IoFailure> open_input(std::string_view path,
                                              std::size_t max_size = kDefaultMaxInputSize);

// The same, as a string of its own (small inputs: code tables, manifests).
std::variant<std::string, IoFailure> read_input(std::string_view path,
                                                std::size_t max_size = kDefaultMaxInputSize);

// Inflates `compressed` when it starts with the gzip magic bytes, else returns it as is.
// `label` names the source in failures.
std::variant<std::string, IoFailure> inflate_if_gzip(std::string_view compressed,
                                                     std::string_view label,
                                                     std::size_t max_size = kDefaultMaxInputSize);

}  // namespace velbrin::io
