#pragma once
// Reads a whole input file or standard input, inflating gzip content.

#include <string>
#include <string_view>
#include <variant>

#include "io/io_failure.hpp"

namespace velbrin::io {

// The name a file goes by in messages: "standard input" for "-", else the path as given.
std::string_view input_label(std::string_view path) noexcept;

// The whole content of `path` ("-" reads standard input), gzip (recognised by its magic
// bytes, any number of members) inflated.
std::variant<std::string, IoFailure> read_input(std::string_view path);

// Inflates `compressed` when it starts with the gzip magic bytes, else returns it as is.
// `label` names the source in failures.
std::variant<std::string, IoFailure> inflate_if_gzip(std::string compressed,
                                                     std::string_view label);

}  // namespace velbrin::io
