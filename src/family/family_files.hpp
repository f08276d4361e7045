#pragma once
// The records of one family as read from its files: the peptide alignment and the
// nucleotide records of every nucleotide file, read as one set.

#include <cstddef>
#include <cstdint>
#include <optional>
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
    std::vector<io::SequenceFile> storage;        // the texts and joined sequences the records view
    std::vector<std::string> storage_paths;       // the path each of `storage` was read from

    // "pep.fa:12", where a record's header stands.
    std::string peptide_location(std::size_t record) const;
    std::string nucleotide_location(std::size_t record) const;

    // Why the family's records cannot be trusted when another program wrote one of its
    // mapped files in place while it was read (the records then mix old and new
    // bytes); none when every file is as it was.
    std::optional<std::string> written_meanwhile() const;
};

io::Result<FamilyFiles> read_family_files(std::string_view peptide_path,
                                          const std::vector<std::string>& nucleotide_paths,
                                          std::size_t max_input_size);

}  // namespace velbrin::family
