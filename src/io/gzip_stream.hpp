#pragma once
// Inflates gzip data (any number of members, then optional zero padding) handed in as
// pieces of any size, into a growing text, one checked block at a time: the inflated
// text is held once, and a bomb, junk or text beyond the size ceiling is refused at the
// first block that shows it.

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "io/input_text.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

class GzipStream {
public:
    GzipStream(std::string_view label, std::size_t max_size);
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;
    ~GzipStream();

    // Inflates the next piece of the compressed file onto `text`.
    std::optional<IoFailure> feed(std::string_view piece, InputText& text);
    // The failure, if the file ended inside a member.
    std::optional<IoFailure> finish() const;

private:
    std::optional<IoFailure> between_members(std::string_view rest);
    std::optional<IoFailure> inflate_block(InputText& text, bool& member_ended);

    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::string_view label_;
    std::size_t max_size_;
    bool in_member_ = false;
    bool padding_ = false;
};

}  // namespace velbrin::io
