// The streaming gzip inflater on arbitrary bytes.  The first byte sets the size ceiling
// and the size of the pieces the rest is handed over in; whatever the pieces, the
// outcome is the same as for the whole at once, the text never passes the ceiling, and
// every failure is one line that names the file.
//
// Input: one byte of settings, then the compressed bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_input.hpp"
#include "io/gzip_stream.hpp"

namespace velbrin::fuzz {
namespace {

constexpr std::string_view kLabel = "in.gz";

struct Outcome {
    std::optional<std::string> failure;
    std::string text;
};

Outcome inflate_in_pieces(std::string_view data, std::size_t piece, std::size_t max_size) {
    io::GzipStream stream(kLabel, max_size);
    io::InputText text;
    Outcome outcome;
    for (std::size_t start = 0; start < data.size() && !outcome.failure; start += piece) {
        if (auto failure = stream.feed(data.substr(start, piece), text))
            outcome.failure = failure->message;
    }
    if (!outcome.failure) {
        if (auto failure = stream.finish()) outcome.failure = failure->message;
    }
    outcome.text = text.view();
    check(text.size() <= max_size + 1, "the text stops one byte past the ceiling", kLabel);
    return outcome;
}

void run(std::string_view data) {
    if (data.empty()) return;
    const auto settings = static_cast<unsigned char>(data.front());
    data.remove_prefix(1);
    const std::size_t max_size = std::size_t{64} << (settings & 0xF);
    const std::size_t piece = std::size_t{1} + (settings >> 4) * 7;
    const Outcome whole = inflate_in_pieces(data, data.size() + 1, max_size);
    const Outcome pieces = inflate_in_pieces(data, piece, max_size);
    check(whole.failure == pieces.failure, "pieces fail as the whole does",
          pieces.failure.value_or("no failure"));
    if (whole.failure) {
        const std::string_view message = *whole.failure;
        check(message.starts_with(kLabel) && message.find('\n') == std::string_view::npos,
              "a failure is one line naming the file", message);
        return;
    }
    check(whole.text == pieces.text, "pieces inflate to the same text", pieces.text);
    check(whole.text.size() <= max_size, "a text read whole is within the ceiling", kLabel);
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
