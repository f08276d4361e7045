#include "codon/record_map.hpp"

#include <string_view>
#include <unordered_set>
#include <utility>

#include "hashing/keyed_text_hash.hpp"

namespace velbrin::codon {

// The positions of the records in `records_`, hashed and compared by the record's key
// text, so that no key is copied; a key text can be looked up directly.  Keys are the
// caller's text, so the hash is keyed per process: crafted keys cannot pile up in one
// bucket.
class RecordMap::KeyIndex {
public:
    explicit KeyIndex(const std::vector<RecordPair>& records)
        : positions_(0, KeyHash{&records, {}}, KeyEqual{&records}) {}

    void reserve(std::size_t count) { positions_.reserve(count); }

    // The position of the record with this key, or none.
    const std::size_t* find(std::string_view key) const {
        const auto found = positions_.find(key);
        return found == positions_.end() ? nullptr : &*found;
    }

    void add(std::size_t position) { positions_.insert(position); }

private:
    using Records = const std::vector<RecordPair>*;

    struct KeyHash {
        using is_transparent = void;
        Records records;
        hashing::KeyedTextHash text_hash;
        std::size_t operator()(std::string_view key) const noexcept { return text_hash(key); }
        std::size_t operator()(std::size_t position) const noexcept {
            return (*this)(std::string_view((*records)[position].key));
        }
    };

    struct KeyEqual {
        using is_transparent = void;
        Records records;
        std::string_view key_of(std::size_t position) const noexcept {
            return (*records)[position].key;
        }
        bool operator()(std::size_t a, std::size_t b) const noexcept {
            return key_of(a) == key_of(b);
        }
        bool operator()(std::string_view a, std::size_t b) const noexcept { return a == key_of(b); }
        bool operator()(std::size_t a, std::string_view b) const noexcept { return key_of(a) == b; }
    };

    std::unordered_set<std::size_t, KeyHash, KeyEqual> positions_;
};

RecordMap::RecordMap() = default;
RecordMap::~RecordMap() = default;

// The index refers to the records of the map it was made for, so it does not travel
// with them; the next insert_or_replace rebuilds it.
RecordMap::RecordMap(RecordMap&& other) noexcept
    : records_(std::move(other.records_)), outlines_(std::move(other.outlines_)) {
    other.records_.clear();
    other.outlines_.clear();
    other.index_.reset();
}

RecordMap& RecordMap::operator=(RecordMap&& other) noexcept {
    if (this != &other) {
        records_ = std::move(other.records_);
        outlines_ = std::move(other.outlines_);
        index_.reset();
        other.records_.clear();
        other.outlines_.clear();
        other.index_.reset();
    }
    return *this;
}

void RecordMap::reserve(std::size_t count) {
    records_.reserve(count);
    outlines_.reserve(count);
    if (index_) index_->reserve(count);
}

void RecordMap::insert_new_indexed(const RecordPair& record) {
    records_.push_back(record);
    outlines_.push_back(RecordOutline::of(record));
    index_->add(records_.size() - 1);
}

void RecordMap::insert_or_replace(RecordPair record) {
    if (!index_) build_index();
    const RecordOutline outline = RecordOutline::of(record);
    if (const std::size_t* position = index_->find(record.key)) {
        records_[*position] = record;
        outlines_[*position] = outline;
        return;
    }
    records_.push_back(record);
    outlines_.push_back(outline);
    index_->add(records_.size() - 1);
}

void RecordMap::build_index() {
    index_ = std::make_unique<KeyIndex>(records_);
    index_->reserve(records_.capacity());
    for (std::size_t position = 0; position < records_.size(); ++position) index_->add(position);
}

}  // namespace velbrin::codon
