#include "cli/family_discovery.hpp"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/family_name.hpp"

namespace velbrin::cli {

namespace {

constexpr std::array<std::string_view, 5> kPeptideSuffixes{".fa", ".faa", ".fasta", ".aln", ".pep"};
constexpr std::array<std::string_view, 6> kNucleotideSuffixes{".fa",  ".fna", ".fasta",
                                                              ".ffn", ".cds", ".nt"};
constexpr std::string_view kCompressedSuffix = ".gz";

static_assert(std::ranges::all_of(kPeptideSuffixes, [](auto s) { return s.front() == '.'; }));
static_assert(std::ranges::all_of(kNucleotideSuffixes, [](auto s) { return s.front() == '.'; }));

struct StemFile {
    std::string stem;
    std::string path;
};

// The folder's files with a known suffix, sorted by stem; two files of one stem are an
// error, since either could be meant.
std::variant<std::vector<StemFile>, io::IoFailure> stem_files(
    std::string_view folder, std::span<const std::string_view> suffixes) {
    std::error_code error;
    std::filesystem::directory_iterator entries(std::filesystem::path(folder), error);
    if (error) return io::failure_in(folder, error.message());
    std::vector<StemFile> files;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) return io::failure_in(folder, error.message());
        const auto& entry = *entries;
        const auto name = entry.path().filename().string();
        if (name.starts_with('.')) continue;
        const auto stem = file_stem(name, suffixes);
        if (stem.empty() || !entry.is_regular_file(error)) continue;
        if (const auto problem = family_name_problem(stem); !problem.empty()) {
            return io::failure_in(folder, name + ": " + std::string(problem));
        }
        files.push_back({std::string(stem), entry.path().string()});
    }
    std::ranges::sort(files, {}, &StemFile::stem);
    const auto repeat = std::ranges::adjacent_find(files, {}, &StemFile::stem);
    if (repeat != files.end()) {
        return io::failure_in(folder, "both " + repeat->path + " and " + std::next(repeat)->path +
                                          " name the family '" + repeat->stem + "'");
    }
    return files;
}

}  // namespace

std::string_view file_stem(std::string_view file_name,
                           std::span<const std::string_view> suffixes) noexcept {
    if (file_name.ends_with(kCompressedSuffix)) file_name.remove_suffix(kCompressedSuffix.size());
    for (const auto suffix : suffixes) {
        if (file_name.size() > suffix.size() && file_name.ends_with(suffix)) {
            return file_name.substr(0, file_name.size() - suffix.size());
        }
    }
    return {};
}

std::variant<DiscoveredFamilies, io::IoFailure> discover_families(
    std::string_view peptide_folder, std::string_view nucleotide_folder) {
    auto peptides = stem_files(peptide_folder, kPeptideSuffixes);
    if (auto* bad = std::get_if<io::IoFailure>(&peptides)) return std::move(*bad);
    auto nucleotides = stem_files(nucleotide_folder, kNucleotideSuffixes);
    if (auto* bad = std::get_if<io::IoFailure>(&nucleotides)) return std::move(*bad);

    // Both lists are sorted by stem: one merge pairs them.
    auto& peptide_files = std::get<std::vector<StemFile>>(peptides);
    auto& nucleotide_files = std::get<std::vector<StemFile>>(nucleotides);
    DiscoveredFamilies found;
    found.families.reserve(peptide_files.size());
    auto partner = nucleotide_files.begin();
    for (auto& peptide : peptide_files) {
        while (partner != nucleotide_files.end() && partner->stem < peptide.stem) {
            ++found.unpaired_nucleotide_files;
            ++partner;
        }
        auto& family = found.families.emplace_back();
        family.name = std::move(peptide.stem);
        family.peptide_path = std::move(peptide.path);
        if (partner != nucleotide_files.end() && partner->stem == family.name) {
            family.nucleotide_paths.push_back(std::move(partner->path));
            ++partner;
        }
    }
    found.unpaired_nucleotide_files += static_cast<std::size_t>(nucleotide_files.end() - partner);
    return found;
}

}  // namespace velbrin::cli
