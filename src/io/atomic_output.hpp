#pragma once
// An output file that appears whole or not at all: written under a temporary name in
// the target's folder and renamed over the target once complete.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "io/io_failure.hpp"

namespace velbrin::io {

// A file written to a temporary name in the target's folder and renamed over the target
// by commit(); destroyed uncommitted, the temporary is removed.
class AtomicOutput {
public:
    static std::variant<AtomicOutput, IoFailure> create(std::string path);

    AtomicOutput(AtomicOutput&& other) noexcept;
    AtomicOutput& operator=(AtomicOutput&& other) noexcept;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput();

    std::optional<IoFailure> write(std::string_view bytes);
    // Flushes to disk before the rename when set (off by default).
    void set_sync_on_commit(bool sync) noexcept { sync_on_commit_ = sync; }
    std::optional<IoFailure> commit();

    // Stays valid and unchanged while the object lives, so a signal handler may pass its
    // c_str() to unlink().
    const std::string& temporary_path() const noexcept { return temporary_path_; }
    const std::string& path() const noexcept { return path_; }

private:
    AtomicOutput(std::string path, std::string temporary_path, int descriptor) noexcept;
    void discard() noexcept;

    std::string path_;
    std::string temporary_path_;
    int descriptor_ = -1;
    bool sync_on_commit_ = false;
    bool committed_ = false;
};

}  // namespace velbrin::io
