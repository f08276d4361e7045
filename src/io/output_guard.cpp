#include "io/output_guard.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace velbrin::io {
namespace {

std::string folder_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

struct Status {
    FileIdentity identity;
    bool regular = false;
    bool folder = false;
};

std::optional<Status> status_of(std::string_view path) {
    struct stat status{};
    if (path.empty() || ::stat(std::string(path).c_str(), &status) != 0) return std::nullopt;
    return Status{{static_cast<unsigned long long>(status.st_dev),
                   static_cast<unsigned long long>(status.st_ino)},
                  S_ISREG(status.st_mode),
                  S_ISDIR(status.st_mode)};
}

}  // namespace

std::optional<FileIdentity> file_identity(std::string_view path) {
    const auto status = status_of(path);
    if (!status) return std::nullopt;
    return status->identity;
}

bool same_file(std::string_view first, std::string_view second) {
    const auto first_identity = file_identity(first);
    return first_identity && first_identity == file_identity(second);
}

OutputGuard::OutputGuard(std::span<const std::string> input_paths) {
    inputs_.reserve(input_paths.size());
    for (const std::string& path : input_paths) {
        if (path == "-") continue;
        const auto status = status_of(path);
        if (!status || !(status->regular || status->folder)) continue;
        if (status->folder) {
            inputs_.push_back({path, std::nullopt, {status->identity}});
            continue;
        }
        Input input{path, status->identity, {}};
        if (const auto folder = file_identity(folder_of(path))) input.folders.push_back(*folder);
        std::error_code error;
        const auto resolved = std::filesystem::canonical(path, error);
        if (!error) {
            if (const auto folder = file_identity(resolved.parent_path().string()))
                input.folders.push_back(*folder);
        }
        inputs_.push_back(std::move(input));
    }
}

std::optional<std::string_view> OutputGuard::input_at(std::string_view output_path) const {
    const auto output = file_identity(output_path);
    if (!output) return std::nullopt;
    for (const Input& input : inputs_) {
        if (input.file == output) return input.path;
    }
    return std::nullopt;
}

std::optional<std::string_view> OutputGuard::input_in_folder(std::string_view folder) const {
    const auto identity = file_identity(folder);
    if (!identity) return std::nullopt;
    for (const Input& input : inputs_) {
        for (const FileIdentity& input_folder : input.folders) {
            if (input_folder == *identity) return input.path;
        }
    }
    return std::nullopt;
}

}  // namespace velbrin::io
