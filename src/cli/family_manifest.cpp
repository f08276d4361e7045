#include "cli/family_manifest.hpp"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/family_name.hpp"
#include "io/text_lines.hpp"

namespace velbrin::cli {

namespace {

constexpr std::size_t kLeastFields = 3;
constexpr std::size_t kMostFields = 4;

bool is_skipped_line(std::string_view line) noexcept {
    return io::is_blank_line(line) || io::trim_blanks(line).front() == '#';
}

// Splits at every `separator`; the pieces view `text`.
std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        pieces.push_back(io::trim_blanks(text.substr(start, end - start)));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

class ManifestLine {
public:
    ManifestLine(std::string_view label, std::size_t number, std::string_view folder)
        : label_(label), number_(number), folder_(folder) {}

    io::IoFailure failure(std::string_view what) const {
        return io::failure_at(label_, number_, what);
    }

    std::optional<io::IoFailure> resolve(std::string_view path, std::string& resolved) const {
        if (path.empty()) return failure("empty file path");
        if (path == "-") return failure("standard input cannot hold a family's file");
        if (folder_.empty() || path.front() == '/') {
            resolved.assign(path);
        } else {
            resolved = (std::filesystem::path(folder_) / path).string();
        }
        return std::nullopt;
    }

    std::variant<family::FamilyInputs, io::IoFailure> parse(std::string_view line) const {
        // A path with a NUL would be cut short by every system call that takes it.
        if (line.find('\0') != std::string_view::npos) return failure("the line holds a NUL byte");
        const auto fields = split(line, '\t');
        if (fields.size() < kLeastFields || fields.size() > kMostFields) {
            return failure(
                "expected 3 or 4 tab-separated fields (family, peptide file, "
                "nucleotide files, table), found " +
                std::to_string(fields.size()));
        }
        family::FamilyInputs family;
        family.name.assign(fields[0]);
        if (const auto problem = family_name_problem(family.name); !problem.empty()) {
            return failure(problem);
        }
        if (auto bad = resolve(fields[1], family.peptide_path)) return *std::move(bad);
        for (const auto path : split(fields[2], ',')) {
            if (auto bad = resolve(path, family.nucleotide_paths.emplace_back())) {
                return *std::move(bad);
            }
        }
        if (fields.size() == kMostFields && !fields[3].empty()) {
            std::int32_t table = 0;
            const auto text = fields[3];
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), table);
            if (error != std::errc{} || end != text.data() + text.size()) {
                return failure("the table '" + std::string(text) + "' is not a whole number");
            }
            family.table = table;
        }
        return family;
    }

private:
    std::string_view label_;
    std::size_t number_;
    std::string_view folder_;
};

}  // namespace

std::variant<std::vector<family::FamilyInputs>, io::IoFailure> parse_manifest(
    std::string_view text, std::string_view label, std::string_view folder) {
    std::vector<family::FamilyInputs> families;
    std::vector<std::size_t> line_numbers;
    io::LineCursor lines(text);
    while (const auto line = lines.next()) {
        if (is_skipped_line(*line)) continue;
        const auto number = lines.line_number();
        auto parsed = ManifestLine(label, number, folder).parse(*line);
        if (auto* failure = std::get_if<io::IoFailure>(&parsed)) return std::move(*failure);
        families.push_back(std::get<family::FamilyInputs>(std::move(parsed)));
        line_numbers.push_back(number);
    }
    if (const auto repeat = first_repeated_name(families)) {
        return ManifestLine(label, line_numbers[repeat->second], folder)
            .failure("the family '" + families[repeat->second].name +
                     "' is already listed on line " + std::to_string(line_numbers[repeat->first]));
    }
    return families;
}

}  // namespace velbrin::cli
