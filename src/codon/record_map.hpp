#pragma once
// The records of one gene, as the call converted them: key, peptide part and
// nucleotide part.  The texts are views: whoever fills the map keeps them alive until
// the map is gone (the module holds the caller's strings for the length of the call),
// so no input text is copied.  Records are kept in insertion order.  Each record is
// outlined as it is added, while its texts are fresh in the cache: the walk takes the
// outline instead of reading the peptide once more to size the result, and the headers
// once more to compare them.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codon/amino_acid_translator.hpp"

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

struct RecordOutline {
    PeptideOutline peptide;
    bool headers_agree;

    static RecordOutline of(const RecordPair& record) noexcept {
        return {outline_peptide(record.peptide.sequence),
                record.peptide.header == record.nucleotide.header};
    }
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
        append(record, RecordOutline::of(record));
        if (index_) index_last_record();
    }
    // Adds a record; one whose key text is already present replaces that record in
    // its place.
    void insert_or_replace(RecordPair record);

    std::span<RecordPair> records() noexcept { return records_; }
    // The outline of each record, in the order of records().
    std::span<const RecordOutline> outlines() const noexcept { return outlines_; }
    std::size_t size() const noexcept { return records_.size(); }
    bool empty() const noexcept { return records_.empty(); }

private:
    class KeyIndex;
    void build_index();
    void index_last_record();
    void append(const RecordPair& record, const RecordOutline& outline) {
        records_.push_back(record);
        outlines_.push_back(outline);
    }

    std::vector<RecordPair> records_;
    std::vector<RecordOutline> outlines_;
    std::unique_ptr<KeyIndex> index_;  // made on the first insert_or_replace
};

}  // namespace velbrin::codon
