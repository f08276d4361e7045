#include "family/record_pairing.hpp"

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <utility>

#include "hashing/keyed_text_hash.hpp"
#include "io/alignment_writer.hpp"

namespace velbrin::family {
namespace {

struct IdEntry {
    std::string_view id;
    std::size_t record;
    friend bool operator<(const IdEntry& a, const IdEntry& b) noexcept {
        const int order = a.id.compare(b.id);
        return order != 0 ? order < 0 : a.record < b.record;
    }
};

using Locate = std::function<std::string(std::size_t)>;

io::Failure pairing_failure(std::string message) {
    return io::Failure{std::move(message), io::FailureKind::pairing};
}

// Of the IDs met twice, the one whose second record comes first in the input.
std::optional<io::Failure> first_duplicate(const std::vector<IdEntry>& ids, const Locate& locate) {
    std::optional<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t at = 1; at < ids.size(); ++at) {
        if (ids[at].id != ids[at - 1].id) continue;
        if (!found || ids[at].record < found->second)
            found.emplace(ids[at - 1].record, ids[at].record);
    }
    if (!found) return std::nullopt;
    const auto dup = std::find_if(ids.begin(), ids.end(),
                                  [&](const IdEntry& e) { return e.record == found->first; });
    return pairing_failure("duplicate ID " + quoted(dup->id) + ": " + locate(found->first) +
                           " and " + locate(found->second));
}

// Every character outside A-Z a-z 0-9 . _ - as '_', as aligners rewrite names.
std::string rewritten(std::string_view id) {
    std::string text(id);
    for (char& c : text) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!kept) c = '_';
    }
    return text;
}

// Names an aligner cut to its column width still hold this many characters.
constexpr std::size_t kShortestCutName = 10;

class Pairer {
public:
    Pairer(const FamilyFiles& files, const PairingRules& rules) : files_(files), rules_(rules) {}

    io::Result<RecordPairs> by_id() {
        if (auto pairs = pairs_in_file_order()) return std::move(*pairs);
        auto peptides = peptide_ids();
        if (!peptides) return std::move(peptides).failure();
        if (auto failure = first_duplicate(*peptides, peptide_at_)) return std::move(*failure);
        nucleotide_ids();
        if (auto failure = first_duplicate(nucleotides_, nucleotide_at_))
            return std::move(*failure);

        RecordPairs pairs;
        pairs.partner.assign(files_.peptides.size(), kNone);
        std::vector<char> taken(files_.nucleotides.size(), 0);
        for (const IdEntry& peptide : *peptides) {  // in ID order: the failure found first
            auto wanted = wanted_id(peptide);
            if (!wanted) return std::move(wanted).failure();
            auto found = partner_of(peptide.record, *wanted, pairs);
            if (!found) return std::move(found).failure();
            if (taken[*found] != 0) return taken_twice(*found, pairs);
            taken[*found] = 1;
            pairs.partner[peptide.record] = *found;
        }
        pairs.skipped_nucleotides = files_.nucleotides.size() - files_.peptides.size();
        pairs.nucleotides_without_id = files_.nucleotides.size() - nucleotides_.size();
        std::sort(pairs.loose.begin(), pairs.loose.end(),
                  [](const LooseMatch& a, const LooseMatch& b) { return a.peptide < b.peptide; });
        return pairs;
    }

    io::Result<RecordPairs> by_order() {
        if (files_.peptides.size() != files_.nucleotides.size()) {
            return pairing_failure(
                "pairing by order needs as many nucleotide records as peptide records: " +
                files_.peptide_label + " has " + std::to_string(files_.peptides.size()) +
                ", the nucleotide input " + std::to_string(files_.nucleotides.size()));
        }
        RecordPairs pairs;
        pairs.partner.resize(files_.peptides.size());
        for (std::size_t record = 0; record < pairs.partner.size(); ++record) {
            pairs.partner[record] = record;
            const std::string_view peptide =
                pairing_id(files_.peptides[record].header, rules_.peptide_id);
            if (peptide.empty()) return no_peptide_id(record);
            if (peptide == pairing_id(files_.nucleotides[record].header, rules_.nucleotide_id))
                continue;
            if (pairs.differing_ids++ == 0) pairs.first_differing = record;
        }
        return pairs;
    }

private:
    static constexpr std::size_t kNone = std::size_t(-1);

    // Files cut from one database list the same IDs in the same order: such a family
    // pairs record by record, its IDs checked for repeats by their keyed hashes alone.
    // Any other family, or one with two equal hashes (a repeated ID, whose report the
    // sorted path gives), takes the sorted path.
    std::optional<RecordPairs> pairs_in_file_order() const {
        const std::size_t records = files_.peptides.size();
        if (rules_.map != nullptr || files_.nucleotides.size() != records) return std::nullopt;
        const hashing::KeyedTextHash hash;
        std::vector<std::size_t> hashes;
        hashes.reserve(records);
        for (std::size_t record = 0; record < records; ++record) {
            const std::string_view id =
                pairing_id(files_.peptides[record].header, rules_.peptide_id);
            if (id.empty() ||
                id != pairing_id(files_.nucleotides[record].header, rules_.nucleotide_id))
                return std::nullopt;
            hashes.push_back(hash(id));
        }
        std::sort(hashes.begin(), hashes.end());
        if (std::adjacent_find(hashes.begin(), hashes.end()) != hashes.end()) return std::nullopt;
        RecordPairs pairs;
        pairs.partner.resize(records);
        std::iota(pairs.partner.begin(), pairs.partner.end(), std::size_t{0});
        return pairs;
    }

    io::Failure no_peptide_id(std::size_t record) const {
        if (rules_.peptide_id == nullptr)
            return pairing_failure(peptide_at_(record) + ": the header has no ID");
        return pairing_failure(peptide_at_(record) + ": --peptide-id finds no ID in the header");
    }

    io::Result<std::vector<IdEntry>> peptide_ids() const {
        std::vector<IdEntry> ids;
        ids.reserve(files_.peptides.size());
        for (std::size_t record = 0; record < files_.peptides.size(); ++record) {
            const std::string_view id =
                pairing_id(files_.peptides[record].header, rules_.peptide_id);
            if (id.empty()) return no_peptide_id(record);
            ids.push_back({id, record});
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // A nucleotide header in which the pattern finds nothing stays unpaired.
    void nucleotide_ids() {
        nucleotides_.reserve(files_.nucleotides.size());
        for (std::size_t record = 0; record < files_.nucleotides.size(); ++record) {
            const std::string_view id =
                pairing_id(files_.nucleotides[record].header, rules_.nucleotide_id);
            if (!id.empty()) nucleotides_.push_back({id, record});
        }
        std::sort(nucleotides_.begin(), nucleotides_.end());
    }

    // The nucleotide ID a peptide asks for: its own, or the map's entry for it.
    io::Result<std::string_view> wanted_id(const IdEntry& peptide) const {
        if (rules_.map == nullptr) return peptide.id;
        if (auto mapped = rules_.map->nucleotide_of(peptide.id)) return *mapped;
        return pairing_failure(peptide_at_(peptide.record) + ": the peptide ID " +
                               quoted(peptide.id) + " is not in " + rules_.map->label());
    }

    // The records whose ID equals `id`, or (`prefix`) starts with it: one contiguous
    // range of the sorted IDs.
    std::pair<std::size_t, std::size_t> range_of(std::string_view id, bool prefix) const {
        const auto first = std::lower_bound(
            nucleotides_.begin(), nucleotides_.end(), id,
            [](const IdEntry& entry, std::string_view key) { return entry.id < key; });
        auto last = first;
        while (last != nucleotides_.end() && (prefix ? last->id.starts_with(id) : last->id == id) &&
               last - first < 2)
            ++last;
        return {std::size_t(first - nucleotides_.begin()),
                std::size_t(last - nucleotides_.begin())};
    }

    io::Result<std::size_t> partner_of(std::size_t peptide, std::string_view wanted,
                                       RecordPairs& pairs) {
        if (const auto [first, last] = range_of(wanted, false); first != last)
            return nucleotides_[first].record;
        if (rules_.mode == Pairing::loose) {
            auto found = loose_partner(peptide, wanted, pairs);
            if (!found || *found != kNone) return found;
        }
        return pairing_failure(peptide_at_(peptide) + ": no nucleotide record has the ID " +
                               quoted(wanted));
    }

    // kNone when no loose rule finds a partner.
    io::Result<std::size_t> loose_partner(std::size_t peptide, std::string_view wanted,
                                          RecordPairs& pairs) {
        const std::string rewritten_id = rewritten(wanted);
        auto found = rewritten_partner(peptide, rewritten_id);
        LooseRule rule = LooseRule::rewritten_characters;
        if (found && *found == kNone && wanted.size() >= kShortestCutName) {
            const auto [first, last] = range_of(wanted, true);
            found = candidates(peptide, first, last, nucleotides_);
            rule = LooseRule::cut_name;
        }
        if (found && *found == kNone && has_frame_suffix(wanted)) {
            const auto [first, last] = range_of(wanted.substr(0, wanted.size() - 2), false);
            found = candidates(peptide, first, last, nucleotides_);
            rule = LooseRule::frame_suffix;
        }
        if (found && *found != kNone) pairs.loose.push_back({peptide, *found, rule});
        return found;
    }

    static bool has_frame_suffix(std::string_view id) noexcept {
        return id.size() > 2 && id[id.size() - 2] == '_' && id.back() >= '1' && id.back() <= '6';
    }

    io::Result<std::size_t> rewritten_partner(std::size_t peptide, const std::string& id) {
        if (rewritten_.empty() && !nucleotides_.empty()) {
            rewritten_texts_.reserve(nucleotides_.size());
            for (const IdEntry& entry : nucleotides_)
                rewritten_texts_.push_back(rewritten(entry.id));
            for (std::size_t i = 0; i < nucleotides_.size(); ++i)
                rewritten_.push_back({rewritten_texts_[i], nucleotides_[i].record});
            std::sort(rewritten_.begin(), rewritten_.end());
        }
        const auto first = std::lower_bound(rewritten_.begin(), rewritten_.end(), IdEntry{id, 0});
        auto last = first;
        while (last != rewritten_.end() && last->id == id && last - first < 2) ++last;
        return candidates(peptide, std::size_t(first - rewritten_.begin()),
                          std::size_t(last - rewritten_.begin()), rewritten_);
    }

    // One candidate pairs; two fail, naming both.
    io::Result<std::size_t> candidates(std::size_t peptide, std::size_t first, std::size_t last,
                                       const std::vector<IdEntry>& ids) const {
        if (first == last) return kNone;
        if (last - first == 1) return ids[first].record;
        const std::size_t a = ids[first].record, b = ids[first + 1].record;
        return pairing_failure(
            peptide_at_(peptide) + ": " + quoted(io::record_name(files_.peptides[peptide].header)) +
            " could pair with " + quoted(io::record_name(files_.nucleotides[a].header)) + " (" +
            nucleotide_at_(a) + ") or " + quoted(io::record_name(files_.nucleotides[b].header)) +
            " (" + nucleotide_at_(b) + ")");
    }

    io::Failure taken_twice(std::size_t nucleotide, const RecordPairs& pairs) const {
        const auto other = std::find(pairs.partner.begin(), pairs.partner.end(), nucleotide);
        const std::size_t first = std::size_t(other - pairs.partner.begin());
        return pairing_failure(nucleotide_at_(nucleotide) + ": the nucleotide record " +
                               quoted(io::record_name(files_.nucleotides[nucleotide].header)) +
                               " pairs with two peptides: " + peptide_at_(first) + " and another");
    }

    const FamilyFiles& files_;
    const PairingRules& rules_;
    const Locate peptide_at_ = [this](std::size_t record) {
        return files_.peptide_location(record);
    };
    const Locate nucleotide_at_ = [this](std::size_t record) {
        return files_.nucleotide_location(record);
    };
    std::vector<IdEntry> nucleotides_;  // sorted
    std::vector<std::string> rewritten_texts_;
    std::vector<IdEntry> rewritten_;  // sorted; made when a loose rule first needs it
};

}  // namespace

std::string quoted(std::string_view id) {
    std::string text = "'";
    text.append(id).push_back('\'');
    return text;
}

std::string_view pairing_id(std::string_view header, const IdPattern* pattern) {
    if (pattern == nullptr) return io::record_name(header);
    return pattern->find(header).value_or(std::string_view());
}

io::Result<RecordPairs> pair_records(const FamilyFiles& files, const PairingRules& rules) {
    Pairer pairer(files, rules);
    return rules.mode == Pairing::by_order ? pairer.by_order() : pairer.by_id();
}

std::optional<io::Failure> repeated_peptide_id(const FamilyFiles& files) {
    std::vector<IdEntry> ids;
    ids.reserve(files.peptides.size());
    for (std::size_t record = 0; record < files.peptides.size(); ++record)
        ids.push_back({io::record_name(files.peptides[record].header), record});
    std::sort(ids.begin(), ids.end());
    return first_duplicate(ids, [&](std::size_t record) { return files.peptide_location(record); });
}

}  // namespace velbrin::family
