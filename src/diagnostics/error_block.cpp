#include "diagnostics/error_block.hpp"

#include "text/unicode_text.hpp"

namespace velbrin::diagnostics {

namespace {

constexpr std::string_view kRule = "========================================\n";
constexpr std::string_view kSummaryPrefix = "tarnix ERROR: ";
constexpr std::size_t kHeaderLimit = 150;
constexpr std::string_view kTruncationMarker = "...";
// A UTF-8 character has at most three continuation bytes.
constexpr std::size_t kMaxContinuationBytes = 3;

static_assert(kRule.size() == 41);

bool needs_closing_line_feed(std::string_view details) noexcept {
    return !details.empty() && details.back() != '\n';
}

}  // namespace

std::string format_error_block(std::string_view message, std::string_view details) {
    const bool closing_line_feed = needs_closing_line_feed(details);
    std::string block;
    block.reserve(3 * kRule.size() + kSummaryPrefix.size() + message.size() + 1 + details.size() +
                  (closing_line_feed ? 1 : 0));
    block.append(kRule);
    block.append(kSummaryPrefix);
    block.append(message);
    block.push_back('\n');
    block.append(kRule);
    block.append(details);
    if (closing_line_feed) block.push_back('\n');
    block.append(kRule);
    return block;
}

// The cut is made at byte 150 unless that byte continues a multi-byte character; then
// it moves back to the start of that character, so the kept part is valid UTF-8 whenever
// the header is, and the result may be up to three bytes shorter than 153.
std::string truncate_header(std::string_view header) {
    if (header.size() <= kHeaderLimit) return std::string(header);

    std::size_t cut = kHeaderLimit;
    for (std::size_t step = 0; step < kMaxContinuationBytes && cut > 0; ++step) {
        if (!text::is_utf8_continuation(static_cast<unsigned char>(header[cut]))) break;
        --cut;
    }
    std::string shortened;
    shortened.reserve(cut + kTruncationMarker.size());
    shortened.append(header.substr(0, cut));
    shortened.append(kTruncationMarker);
    return shortened;
}

}  // namespace velbrin::diagnostics
