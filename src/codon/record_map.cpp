#include "codon/record_map.hpp"

#include <bit>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "hashing/keyed_text_hash.hpp"

namespace velbrin::codon {

// The positions of the records in `records_`, found by the record's key text, so that no
// key is copied: a flat table with linear probing that keeps each key's hash, so a key is
// hashed once, when it is added or looked up, and growing hashes nothing again.  Keys are
// the caller's text, so the hash is keyed per process: crafted keys cannot pile up in one
// run of slots.
class RecordMap::KeyIndex {
public:
    explicit KeyIndex(std::size_t count) : slots_(slots_for(count)) {}

    void reserve(std::size_t count) {
        if (slots_for(count) > slots_.size()) regrow(slots_for(count));
    }

    std::uint64_t hash(std::string_view key) const noexcept { return text_hash_(key); }

    // The position of the record with this key and hash, or none.
    const std::size_t* find(std::uint64_t hash, std::string_view key,
                            const std::vector<RecordPair>& records) const noexcept {
        for (std::size_t at = home(hash);; at = next(at)) {
            const Slot& slot = slots_[at];
            if (slot.empty()) return nullptr;
            if (slot.hash == hash && records[slot.position].key == key) return &slot.position;
        }
    }

    // Adds a record whose key is not in the table yet.
    void add(std::uint64_t hash, std::size_t position) {
        if (2 * (size_ + 1) > slots_.size()) regrow(2 * slots_.size());
        place(Slot{hash, position});
        ++size_;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t position = kNone;
        bool empty() const noexcept { return position == kNone; }
    };

    // Room for `count` keys with the table at most half full.
    static std::size_t slots_for(std::size_t count) { return std::bit_ceil(2 * count + 2); }

    std::size_t home(std::uint64_t hash) const noexcept {
        return static_cast<std::size_t>(hash) & (slots_.size() - 1);
    }
    std::size_t next(std::size_t at) const noexcept { return (at + 1) & (slots_.size() - 1); }

    void place(const Slot& entry) noexcept {
        std::size_t at = home(entry.hash);
        while (!slots_[at].empty()) at = next(at);
        slots_[at] = entry;
    }

    void regrow(std::size_t slot_count) {
        std::vector<Slot> old(slot_count);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (!slot.empty()) place(slot);
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    hashing::KeyedTextHash text_hash_;
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

void RecordMap::index_last_record() {
    index_->add(index_->hash(records_.back().key), records_.size() - 1);
}

void RecordMap::insert_or_replace(RecordPair record) {
    if (!index_) build_index();
    const RecordOutline outline = RecordOutline::of(record);
    const std::uint64_t hash = index_->hash(record.key);
    if (const std::size_t* position = index_->find(hash, record.key, records_)) {
        records_[*position] = record;
        outlines_[*position] = outline;
        return;
    }
    append(record, outline);
    index_->add(hash, records_.size() - 1);
}

void RecordMap::build_index() {
    index_ = std::make_unique<KeyIndex>(records_.capacity());
    for (std::size_t position = 0; position < records_.size(); ++position) {
        index_->add(index_->hash(records_[position].key), position);
    }
}

}  // namespace velbrin::codon
