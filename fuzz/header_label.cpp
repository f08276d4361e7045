// Header truncation and input labels, on raw bytes and on the valid UTF-8 that Python
// hands over.  A truncated header is the header itself up to 150 bytes, otherwise a
// prefix of it and "...", never more than 153 bytes, and valid UTF-8 whenever the
// header is.  A label is never empty, ends in ".fa" (any letter case), stays valid
// UTF-8, and is the default label for a path of only white space.
//
// Input: the header or path, all of it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "diagnostics/error_block.hpp"
#include "diagnostics/source_label.hpp"
#include "fuzz_input.hpp"
#include "reference_model.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::fuzz {
namespace {

constexpr std::size_t kHeaderLimit = 150;

void check_truncation(std::string_view header) {
    const std::string shortened = diagnostics::truncate_header(header);
    check(shortened.size() <= kHeaderLimit + 3, "a truncated header is at most 153 bytes",
          shortened);
    if (header.size() <= kHeaderLimit) {
        check(shortened == header, "a header of at most 150 bytes is kept whole", shortened);
    } else {
        const std::string_view kept = std::string_view(shortened).substr(0, shortened.size() - 3);
        check(shortened.ends_with("...") && header.starts_with(kept),
              "a long header is a prefix and \"...\"", shortened);
        check(kept.size() + 3 >= kHeaderLimit, "at most a character's tail is given up", shortened);
    }
    if (text::is_valid_utf8(header)) {
        check(text::is_valid_utf8(shortened), "a truncated header is valid UTF-8", shortened);
    }
}

bool ends_in_fa(std::string_view label) {
    return label.size() >= 3 && label[label.size() - 3] == '.' &&
           model::upper(label[label.size() - 2]) == 'F' &&
           model::upper(label[label.size() - 1]) == 'A';
}

void check_label(std::string_view path) {
    const std::string label = diagnostics::source_label_from_path(path, "aa.fa");
    check(ends_in_fa(label), "a label ends in .fa", label);
    if (text::is_valid_utf8(path)) {
        check(text::is_valid_utf8(label), "a label is valid UTF-8", label);
    }
    if (text::trim_unicode_whitespace(path).empty()) {
        check(label == "aa.fa", "a blank path gets the default label", label);
    }
}

void run(std::string_view data) {
    check_truncation(data);
    check_label(data);
    const std::string text = as_utf8(data);
    check_truncation(text);
    check_label(text);
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
