#pragma once
// The records of one gene, as the call converted them: key, peptide part and
// nucleotide part.  The texts are views: whoever fills the map keeps them alive until
// the map is gone (the module holds the caller's strings for the length of the call),
// so no input text is copied.  Records are kept in insertion order.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velbrin::codon {

struct SequencePart {
    std::string_view header;
    std::string_view sequence;
};

struct RecordPair {
    std::string_view key;
    SequencePart peptide;     // header, aligned peptide
    SequencePart nucleotide;  // header, unaligned nucleotides
};

class RecordMap {
public:
    RecordMap();
    ~RecordMap();
    RecordMap(RecordMap&&) noexcept;
    RecordMap& operator=(RecordMap&&) noexcept;

    void reserve(std::size_t count);

    // Appends a record whose key is known to be new (keys of exact `str` type in one
    // dict are distinct).
    void insert_new(const RecordPair& record) {
        if (index_) {
            insert_new_indexed(record);
        } else {
            records_.push_back(record);
        }
    }
    // Adds a record; one whose key text is already present replaces that record in
    // its place.
    void insert_or_replace(RecordPair record);

    std::span<RecordPair> records() noexcept { return records_; }
    std::size_t size() const noexcept { return records_.size(); }
    bool empty() const noexcept { return records_.empty(); }

private:
    class KeyIndex;
    void build_index();
    void insert_new_indexed(const RecordPair& record);

    std::vector<RecordPair> records_;
    std::unique_ptr<KeyIndex> index_;  // made on the first insert_or_replace
};

}  // namespace velbrin::codon
