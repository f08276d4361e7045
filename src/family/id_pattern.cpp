#include "family/id_pattern.hpp"

#include <re2/re2.h>

#include <utility>

namespace velbrin::family {

IdPattern::IdPattern(std::shared_ptr<const re2::RE2> expression) noexcept
    : expression_(std::move(expression)) {}

io::Result<IdPattern> IdPattern::compile(std::string_view pattern) {
    re2::RE2::Options options;
    options.set_log_errors(false);
    auto expression =
        std::make_shared<const re2::RE2>(re2::StringPiece(pattern.data(), pattern.size()), options);
    if (!expression->ok()) return io::Failure{expression->error()};
    return IdPattern(std::move(expression));
}

std::optional<std::string_view> IdPattern::find(std::string_view header) const {
    const int group = expression_->NumberOfCapturingGroups() > 0 ? 1 : 0;
    re2::StringPiece found[2];
    if (!expression_->Match(re2::StringPiece(header.data(), header.size()), 0, header.size(),
                            re2::RE2::UNANCHORED, found, group + 1))
        return std::nullopt;
    if (found[group].data() == nullptr || found[group].empty()) return std::nullopt;
    return std::string_view(found[group].data(), found[group].size());
}

}  // namespace velbrin::family
