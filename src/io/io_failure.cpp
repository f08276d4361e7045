#include "io/io_failure.hpp"

#include <charconv>
#include <cstring>
#include <utility>

namespace velbrin::io {
namespace {

constexpr std::size_t kMaxDecimalDigits = 20;

}  // namespace

IoFailure failure_in(std::string_view label, std::string_view reason) {
    std::string message;
    message.reserve(label.size() + 2 + reason.size());
    message.append(label).append(": ").append(reason);
    return IoFailure{std::move(message)};
}

IoFailure failure_at(std::string_view label, std::size_t line, std::string_view reason) {
    char digits[kMaxDecimalDigits];
    const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
    std::string message;
    message.reserve(label.size() + 1 + kMaxDecimalDigits + 2 + reason.size());
    message.append(label).append(":").append(digits, end).append(": ").append(reason);
    return IoFailure{std::move(message)};
}

IoFailure errno_failure(std::string_view label, std::string_view action, int error) {
    std::string reason(action);
    reason.append(": ").append(std::strerror(error));
    return failure_in(label, reason);
}

}  // namespace velbrin::io
