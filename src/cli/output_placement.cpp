#include "cli/output_placement.hpp"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "io/output_guard.hpp"

namespace velbrin::cli {

namespace {

std::string folder_of(std::string_view path) {
    auto folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Checks the inputs one file at a time; the folder of the previous file is remembered,
// since the files of a batch usually share a few folders.
class InputCheck {
public:
    InputCheck(std::optional<io::FileIdentity> out_folder, std::optional<io::FileIdentity> status)
        : out_folder_(out_folder), status_(status) {}

    std::optional<std::string> problem(const std::string& path) {
        if (status_ && io::file_identity(path) == status_) {
            return "the status table would overwrite the input " + path;
        }
        auto folder = folder_of(path);
        if (folder != last_folder_) {
            last_folder_ = std::move(folder);
            last_is_output_ = out_folder_ && io::file_identity(last_folder_) == out_folder_;
        }
        if (last_is_output_) return "the output folder holds the input " + path;
        return std::nullopt;
    }

private:
    std::optional<io::FileIdentity> out_folder_, status_;
    std::string last_folder_;
    bool last_is_output_ = false;
};

}  // namespace

std::optional<std::string> output_placement_problem(const BatchOptions& batch,
                                                    std::span<const family::FamilyInputs> families,
                                                    const std::string& status_path) {
    std::error_code error;
    if (!std::filesystem::create_directories(batch.out_folder, error) && error) {
        return batch.out_folder + ": cannot create the output folder: " + error.message();
    }
    const auto out_folder = io::file_identity(batch.out_folder);
    if (!out_folder) return batch.out_folder + ": the output folder cannot be seen";
    for (const auto& input : {batch.peptide_folder, batch.nucleotide_folder}) {
        if (!input.empty() && io::file_identity(input) == out_folder) {
            return "the output folder " + batch.out_folder + " is an input folder";
        }
    }
    const auto status = io::file_identity(status_path);
    if (status && !batch.manifest_path.empty() &&
        io::file_identity(batch.manifest_path) == status) {
        return "the status table " + status_path + " is the manifest";
    }
    InputCheck check(out_folder, status);
    for (const auto& family : families) {
        if (auto problem = check.problem(family.peptide_path)) return problem;
        for (const auto& path : family.nucleotide_paths) {
            if (auto problem = check.problem(path)) return problem;
        }
    }
    return std::nullopt;
}

}  // namespace velbrin::cli
