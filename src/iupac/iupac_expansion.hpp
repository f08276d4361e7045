#pragma once
// The forms a text with IUPAC ambiguity letters can stand for: every text of the same
// byte length whose every byte is the position's own byte (a-z upper-cased, "U" as "T")
// or, at an ambiguity letter, one of its bases.  Membership is decided position by
// position, without building the set, so any length is linear.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velbrin::iupac {

bool is_expansion_member(std::string_view original, std::string_view candidate) noexcept;

// Index of the first candidate that is a form of `original`, or none.  Candidates that
// view the same bytes are compared once: the work is linear in the distinct texts.
std::optional<std::size_t> first_expansion_member(std::string_view original,
                                                  std::span<const std::string_view> candidates);

}  // namespace velbrin::iupac
