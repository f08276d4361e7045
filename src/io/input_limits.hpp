#pragma once
// How much of an input is taken: the size ceiling (--max-input-size) and the check of
// each block of a streamed input, so that a bomb or a device is refused early.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "io/io_failure.hpp"

namespace velbrin::io {

inline constexpr std::size_t kDefaultMaxInputSize = std::size_t{4} << 30;
// Streamed inputs (gzip, pipes, devices) are taken and checked this much at a time.
inline constexpr std::size_t kInputBlock = std::size_t{1} << 16;

// "100M", "4G", "512k", "1000": a byte count with an optional binary suffix (K, M, G, T,
// either case, an optional trailing "B" or "iB"); nothing when the text is no size.
std::optional<std::size_t> parse_input_size(std::string_view text) noexcept;

// The size as the user would write it: "4G", "100M", "1500".
std::string format_input_size(std::size_t size);

// "pep.fa: larger than the input size limit of 100M (--max-input-size)"
IoFailure too_large_failure(std::string_view label, std::size_t max_size);

// The failure, if any, of the bytes of `text` from `block_start` on, just added to a
// streamed input: text beyond `max_size`, or a control byte (named with its line).
std::optional<IoFailure> check_streamed_block(std::string_view text, std::size_t block_start,
                                              std::size_t max_size, std::string_view label);

}  // namespace velbrin::io
