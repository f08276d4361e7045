#pragma once
// The records of one family as read from its files: the peptide alignment and the
// nucleotide records of every nucleotide file, read as one set.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/result.hpp"
#include "io/sequence_reader.hpp"

namespace velbrin::family {

struct FamilyFiles {
    std::string peptide_label;  // the peptide file as messages name it
    std::vector<io::SequenceRecord> peptides;
    std::vector<std::string> nucleotide_labels;   // one per nucleotide file
    std::vector<io::SequenceRecord> nucleotides;  // every file's records, in file order
    std::vector<std::uint32_t> nucleotide_file;   // index into nucleotide_labels, per record

    // "pep.fa:12", where a record's header stands.
    std::string peptide_location(std::size_t record) const;
    std::string nucleotide_location(std::size_t record) const;
};

io::Result<FamilyFiles> read_family_files(std::string_view peptide_path,
                                          const std::vector<std::string>& nucleotide_paths);

}  // namespace velbrin::family
