#include "io/io_failure.hpp"

#include <charconv>
#include <utility>

namespace velbrin::io {
namespace {

constexpr std::size_t kMaxDecimalDigits = 20;

}  // namespace

Failure failure_in(std::string_view label, std::string_view reason) {
    std::string message;
    message.reserve(label.size() + 2 + reason.size());
    message.append(label).append(": ").append(reason);
    return Failure{std::move(message), FailureKind::input, std::string(label), 0};
}

Failure failure_at(std::string_view label, std::size_t line, std::string_view reason) {
    char digits[kMaxDecimalDigits];
    const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
    std::string message;
    message.reserve(label.size() + 1 + kMaxDecimalDigits + 2 + reason.size());
    message.append(label).append(":").append(digits, end).append(": ").append(reason);
    return Failure{std::move(message), FailureKind::input, std::string(label), line};
}

}  // namespace velbrin::io
