#include "diagnostics/source_label.hpp"

#include <optional>

#include "text/unicode_text.hpp"

namespace velbrin::diagnostics {

namespace {

constexpr std::string_view kLabelSuffix = ".fa";

constexpr char ascii_lower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool ends_with_label_suffix(std::string_view name) noexcept {
    if (name.size() < kLabelSuffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - kLabelSuffix.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (ascii_lower(tail[i]) != kLabelSuffix[i]) return false;
    }
    return true;
}

static_assert(ends_with_label_suffix(".Fa") && !ends_with_label_suffix("x.fasta"));

// The last "/"-separated piece that is neither empty nor ".".
std::optional<std::string_view> last_named_piece(std::string_view path) noexcept {
    std::size_t end = path.size();
    while (end > 0) {
        const std::size_t slash = path.rfind('/', end - 1);
        const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
        const std::string_view piece = path.substr(begin, end - begin);
        if (!piece.empty() && piece != ".") return piece;
        if (slash == std::string_view::npos) break;
        end = slash;
    }
    return std::nullopt;
}

// A path with no usable file name ("/", "..", "data/..") stands for itself.
std::string_view file_name_or_path(std::string_view path) noexcept {
    const std::optional<std::string_view> piece = last_named_piece(path);
    if (!piece || *piece == "..") return path;
    return *piece;
}

}  // namespace

std::string source_label_from_path(std::string_view path, std::string_view default_label) {
    const std::string_view trimmed = text::trim_unicode_whitespace(path);
    if (trimmed.empty()) return std::string(default_label);

    const std::string_view name = file_name_or_path(trimmed);
    const bool has_suffix = ends_with_label_suffix(name);
    std::string label;
    label.reserve(name.size() + (has_suffix ? 0 : kLabelSuffix.size()));
    label.append(name);
    if (!has_suffix) label.append(kLabelSuffix);
    return label;
}

}  // namespace velbrin::diagnostics
