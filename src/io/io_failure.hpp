#pragma once
// The failure of reading or writing a file, pairing records or setting up a run: one
// finished line for the user, with its kind and, where known, the file and line.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace velbrin::io {

enum class FailureKind {
    input,      // a file is unreadable or its content invalid
    output,     // a file cannot be written
    pairing,    // peptide and nucleotide records do not pair
    interrupt,  // the interrupt signals cannot be watched
};

// One line, no trailing newline, naming the file as the user gave it ("standard input"
// for "-") and, where known, the 1-based line: "pep.fa:12: empty header".
struct Failure {
    Failure() = default;
    explicit Failure(std::string message_text, FailureKind failure_kind = FailureKind::input,
                     std::string file_label = {}, std::size_t line_number = 0)
        : message(std::move(message_text)),
          kind(failure_kind),
          file(std::move(file_label)),
          line(line_number) {}

    std::string message;
    FailureKind kind = FailureKind::input;
    std::string file;      // the label of the file at fault, "" when none
    std::size_t line = 0;  // 1-based; 0 when no line is at fault
};

using IoFailure = Failure;

// "label: reason"
Failure failure_in(std::string_view label, std::string_view reason);
// "label:line: reason"
Failure failure_at(std::string_view label, std::size_t line, std::string_view reason);

}  // namespace velbrin::io
