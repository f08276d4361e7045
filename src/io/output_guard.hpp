#pragma once
// Keeps outputs off the inputs: an output path that names an input file, under any
// spelling (links, "./", another path to the same folder), is found by the file's
// device and inode.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velbrin::io {

struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The device and inode of the file `path` names, or nullopt when it does not exist (or
// cannot be seen).
std::optional<FileIdentity> file_identity(std::string_view path);

// Whether `first` and `second` name the same existing file (device and inode); a path
// that does not exist is never the same file as another.
bool same_file(std::string_view first, std::string_view second);

// The files and folders a command reads, identified once.  "-" (standard input) and
// paths that do not exist or are devices or FIFOs are left out: writing to those
// replaces nothing.
class OutputGuard {
public:
    explicit OutputGuard(std::span<const std::string> input_paths);

    // The input (as it was given) that `output_path` is the same file as, if any; a
    // missing output path is none.
    std::optional<std::string_view> input_at(std::string_view output_path) const;

    // The input that `folder` is (an input folder) or holds (the folder an input's path
    // names, or the one its links resolve into), if any.
    std::optional<std::string_view> input_in_folder(std::string_view folder) const;

private:
    struct Input {
        std::string path;
        std::optional<FileIdentity> file;   // unset for an input folder
        std::vector<FileIdentity> folders;  // an input folder itself, or a file's folder as
                                            // spelled and after resolving links
    };

    std::vector<Input> inputs_;
};

}  // namespace velbrin::io
