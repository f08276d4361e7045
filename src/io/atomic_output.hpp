#pragma once
// An output file that appears whole or not at all: written under a temporary name in
// the target's folder and renamed over the target once complete.
//
// Temporary names have the form ".velbrin-tmp-XXXXXXXXXXXX-NAME": a fixed prefix, twelve
// random letters or digits, '-', and the target's name (a long one cut, with "~" and a
// hash of it in eight hex digits, so that the whole stays within NAME_MAX).  A process
// killed outright (SIGKILL, a power cut) leaves one behind; is_temporary_name() tells
// them from any other file, so that a later run can remove them.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "io/io_failure.hpp"

namespace velbrin::io {

// Whether `name` (a file name without its folder) has the form of a temporary name.
bool is_temporary_name(std::string_view name) noexcept;

// Told around the exclusive create of a temporary file.  A caller that removes its
// temporary when a signal ends the process holds those signals back in hold() and lets
// them through in release(), once it has the temporary's path (null when none was made):
// no signal can then fall between the file's creation and its registration.
class TemporaryWatch {
public:
    virtual void hold() noexcept = 0;
    virtual void release(const std::string* temporary_path) noexcept = 0;

protected:
    ~TemporaryWatch() = default;
};

// A file written to a temporary name in the target's folder and renamed over the target
// by commit(); destroyed uncommitted, the temporary is removed.
class AtomicOutput {
public:
    static std::variant<AtomicOutput, IoFailure> create(std::string path,
                                                        TemporaryWatch* watch = nullptr);

    AtomicOutput(AtomicOutput&& other) noexcept;
    AtomicOutput& operator=(AtomicOutput&& other) noexcept;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput();

    std::optional<IoFailure> write(std::string_view bytes);
    // On (the default), commit() flushes the file to disk before the rename and the folder
    // after it, so that neither an empty file nor a missing one can come back after a
    // power cut; off for scratch output.
    void set_sync_on_commit(bool sync) noexcept { sync_on_commit_ = sync; }
    std::optional<IoFailure> commit();
    // Closes the file and removes the temporary; commit() and write() fail afterwards.
    void discard() noexcept;

    // Stays valid and unchanged while the object lives, so a signal handler may pass its
    // c_str() to unlink().
    const std::string& temporary_path() const noexcept { return temporary_path_; }

private:
    AtomicOutput(std::string path, std::string temporary_path, int descriptor) noexcept;

    std::string path_;
    std::string temporary_path_;
    int descriptor_ = -1;
    bool sync_on_commit_ = true;
    bool committed_ = false;
};

}  // namespace velbrin::io
