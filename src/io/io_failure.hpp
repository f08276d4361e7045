#pragma once
// The failure of reading or writing a file: one finished line for the user.

#include <string>

namespace velbrin::io {

// One line, no trailing newline, naming the file as the user gave it ("standard input"
// for "-") and, where known, the 1-based line: "pep.fa:12: empty header".
struct IoFailure {
    std::string message;
};

}  // namespace velbrin::io
