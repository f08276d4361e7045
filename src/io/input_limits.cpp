#include "io/input_limits.hpp"

#include <array>
#include <charconv>
#include <cstdint>

#include "io/text_lines.hpp"

namespace velbrin::io {
namespace {

struct SizeSuffix {
    char letter;
    unsigned shift;
};
constexpr std::array<SizeSuffix, 4> kSuffixes = {{{'K', 10}, {'M', 20}, {'G', 30}, {'T', 40}}};
static_assert(kSuffixes.back().shift < 64);

char upper(char letter) noexcept {
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

}  // namespace

std::optional<std::size_t> parse_input_size(std::string_view text) noexcept {
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
    unsigned shift = 0;
    if (!suffix.empty()) {
        for (const SizeSuffix& known : kSuffixes) {
            if (upper(suffix.front()) == known.letter) shift = known.shift;
        }
        if (shift == 0) {
            if (suffix != "B" && suffix != "b") return std::nullopt;
        } else {
            suffix.remove_prefix(1);
            if (!suffix.empty() && suffix != "B" && suffix != "iB" && suffix != "b")
                return std::nullopt;
        }
    }
    if (count == 0 || count > (SIZE_MAX >> shift)) return std::nullopt;
    return static_cast<std::size_t>(count << shift);
}

std::string format_input_size(std::size_t size) {
    for (auto known = kSuffixes.rbegin(); known != kSuffixes.rend(); ++known) {
        const std::size_t unit = std::size_t{1} << known->shift;
        if (size >= unit && size % unit == 0) return std::to_string(size / unit) + known->letter;
    }
    return std::to_string(size);
}

IoFailure too_large_failure(std::string_view label, std::size_t max_size) {
    return failure_in(label, "larger than the input size limit of " + format_input_size(max_size) +
                                 " (--max-input-size)");
}

std::optional<IoFailure> check_streamed_block(std::string_view text, std::size_t block_start,
                                              std::size_t max_size, std::string_view label) {
    const std::size_t offset = first_binary_offset(text.substr(block_start));
    if (offset != std::string_view::npos) {
        const std::size_t at = block_start + offset;
        return failure_at(label, line_number_at(text, at),
                          binary_data_reason(static_cast<unsigned char>(text[at])));
    }
    if (text.size() > max_size) return too_large_failure(label, max_size);
    return std::nullopt;
}

}  // namespace velbrin::io
