#pragma once
// Bytes gathered in one fixed buffer, reused, and handed on whenever it fills: the
// formatted alignment goes out in pieces of about 1 MiB, never as one whole copy.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "io/io_failure.hpp"

namespace velbrin::io {

class BufferedWriter {
public:
    // Takes each full buffer; a failure stops further output and is kept for finish().
    using Drain = std::function<std::optional<IoFailure>(std::string_view)>;
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

    explicit BufferedWriter(Drain drain, std::size_t capacity = kDefaultCapacity);

    void append(std::string_view bytes);
    void append(char byte);
    void append_repeated(std::size_t count, char byte);
    void append_number(std::size_t number);

    // Hands on what is left; the first failure of any drain, if one failed.
    std::optional<IoFailure> finish();

private:
    void drain();

    Drain drain_;
    std::string buffer_;
    std::size_t capacity_;
    std::optional<IoFailure> failure_;
};

}  // namespace velbrin::io
