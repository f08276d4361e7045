#pragma once
// Bytes gathered in one fixed buffer, reused, and handed on whenever it fills: the
// formatted alignment goes out in pieces of about 1 MiB, never as one whole copy.

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
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

    // Inline: they run a few times per row.
    void append(std::string_view bytes) {
        if (bytes.size() > capacity_ - used_) return append_in_pieces(bytes);
        if (!bytes.empty()) std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    void append(char byte) {
        if (used_ == capacity_) drain();
        buffer_[used_++] = byte;
    }
    void append_repeated(std::size_t count, char byte);
    void append_number(std::size_t number);

    // Hands on what is left; the first failure of any drain, if one failed.
    std::optional<IoFailure> finish();

private:
    void drain();
    void append_in_pieces(std::string_view bytes);

    Drain drain_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::optional<IoFailure> failure_;
};

}  // namespace velbrin::io
