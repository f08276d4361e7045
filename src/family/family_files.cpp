#include "family/family_files.hpp"

#include <iterator>
#include <utility>

#include "io/input_file.hpp"

namespace velbrin::family {
namespace {

constexpr std::size_t kLargeInput = std::size_t{2} << 20;

std::string location(std::string_view label, std::size_t line) {
    std::string text(label);
    text.push_back(':');
    text.append(std::to_string(line));
    return text;
}

// Reads `path` whole and parses it with `parse` (read_fasta or read_alignment); the
// records view the text, which the result keeps.
template <class Parse>
io::Result<io::SequenceFile> read_records(std::string_view path, std::size_t max_input_size,
                                          Parse parse) {
    auto text = io::open_input(path, max_input_size);
    if (auto* failure = std::get_if<io::IoFailure>(&text)) return std::move(*failure);
    io::InputText& bytes = std::get<io::InputText>(text);
    io::SequenceOutcome outcome = parse(bytes.view(), io::input_label(path));
    // The records are read a file at a time, so only one large file need be held at once;
    // a small one is left, as reading it again would cost more than holding it.
    if (bytes.size() >= kLargeInput) bytes.drop_pages(bytes.view());
    if (auto* file = std::get_if<io::SequenceFile>(&outcome)) file->text = std::move(bytes);
    return outcome;
}

// The path that names an input's file later on: standard input's file, when it is one, is
// found through the process's descriptor.
std::string path_to_check(std::string_view path) {
    return path == io::kStandardInputPath ? "/dev/stdin" : std::string(path);
}

}  // namespace

std::optional<std::string> FamilyFiles::written_meanwhile() const {
    for (std::size_t file = 0; file < storage.size(); ++file) {
        if (storage[file].text.written_since_mapped(storage_paths[file])) {
            const std::string_view label = file == 0 ? peptide_label : nucleotide_labels[file - 1];
            return std::string(label) + ": changed by another program while it was read";
        }
    }
    return std::nullopt;
}

std::string FamilyFiles::peptide_location(std::size_t record) const {
    return location(peptide_label, peptides[record].line);
}

std::string FamilyFiles::nucleotide_location(std::size_t record) const {
    return location(nucleotide_labels[nucleotide_file[record]], nucleotides[record].line);
}

io::Result<FamilyFiles> read_family_files(std::string_view peptide_path,
                                          const std::vector<std::string>& nucleotide_paths,
                                          std::size_t max_input_size) {
    FamilyFiles files;
    files.peptide_label = io::input_label(peptide_path);
    auto peptides = read_records(peptide_path, max_input_size, io::read_alignment);
    if (!peptides) return std::move(peptides).failure();
    files.peptides = std::move(peptides->records);
    files.storage.push_back(std::move(peptides).value());
    files.storage_paths.push_back(path_to_check(peptide_path));

    files.nucleotide_labels.reserve(nucleotide_paths.size());
    for (const std::string& path : nucleotide_paths) {
        auto records = read_records(path, max_input_size, io::read_fasta);
        if (!records) return std::move(records).failure();
        auto& read = records->records;
        const auto file = std::uint32_t(files.nucleotide_labels.size());
        files.nucleotide_labels.emplace_back(io::input_label(path));
        if (files.nucleotides.empty()) {
            files.nucleotides = std::move(read);
        } else {
            files.nucleotides.insert(files.nucleotides.end(), std::make_move_iterator(read.begin()),
                                     std::make_move_iterator(read.end()));
        }
        files.nucleotide_file.resize(files.nucleotides.size(), file);
        files.storage.push_back(std::move(records).value());
        files.storage_paths.push_back(path_to_check(path));
    }
    return files;
}

}  // namespace velbrin::family
