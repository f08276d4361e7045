#pragma once
// A regular expression that finds a record's ID inside its full header.  Matching takes
// time linear in the header, whatever the pattern.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "io/result.hpp"

namespace re2 {
class RE2;
}

namespace velbrin::family {

class IdPattern {
public:
    // The failure's message is the expression's own fault ("missing ): ...").
    static io::Result<IdPattern> compile(std::string_view pattern);

    // The first capture group of the first match, or the whole match when the pattern
    // has no group; nullopt when nothing (or only an empty text) matches.
    std::optional<std::string_view> find(std::string_view header) const;

private:
    explicit IdPattern(std::shared_ptr<const re2::RE2> expression) noexcept;

    std::shared_ptr<const re2::RE2> expression_;  // shared: matching is thread-safe
};

}  // namespace velbrin::family
