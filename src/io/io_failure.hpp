#pragma once
// The failure of reading or writing a file: one finished line for the user.

#include <cstddef>
#include <string>
#include <string_view>

namespace velbrin::io {

// One line, no trailing newline, naming the file as the user gave it ("standard input"
// for "-") and, where known, the 1-based line: "pep.fa:12: empty header".
struct IoFailure {
    std::string message;
};

// "label: reason"
IoFailure failure_in(std::string_view label, std::string_view reason);
// "label:line: reason"
IoFailure failure_at(std::string_view label, std::size_t line, std::string_view reason);
// "label: action: <the text of errno value `error`>"
IoFailure errno_failure(std::string_view label, std::string_view action, int error);

}  // namespace velbrin::io
