#pragma once
// Where the command's output goes, opened as a shell's `>` would, but safely: a new or
// regular file is replaced atomically (AtomicOutput); a character device or a FIFO is
// written through and never replaced; "/dev/stdout", "/dev/stderr", "/dev/fd/N" and
// "/proc/self/fd/N" name the descriptor the process already has open.  A folder, or any
// other kind of file, is refused.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "io/atomic_output.hpp"
#include "io/io_failure.hpp"

namespace velbrin::io {

class OutputFile {
public:
    // `durable`: an atomically replaced file is synced to disk on commit.
    // `watch` is told around the creation of a temporary, when one is made.
    static std::variant<OutputFile, IoFailure> open(std::string path, bool durable,
                                                    TemporaryWatch* watch = nullptr);
    // The process's standard output, labelled "standard output" in failures.
    static std::variant<OutputFile, IoFailure> standard_output();

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    std::optional<IoFailure> write(std::string_view bytes);
    // Puts the file in place (atomic) or closes the descriptor (written through).
    std::optional<IoFailure> commit();
    // Closes the file and removes a temporary: a failed run leaves nothing behind.
    void discard() noexcept;

    // The temporary file an interruption must remove; null when written through.
    const std::string* temporary_path() const noexcept;

private:
    OutputFile(std::string path, int descriptor) noexcept;
    explicit OutputFile(AtomicOutput atomic) noexcept;

    std::string path_;
    int descriptor_ = -1;  // written through
    std::optional<AtomicOutput> atomic_;
};

}  // namespace velbrin::io
