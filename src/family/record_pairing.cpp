#include "family/record_pairing.hpp"

#include <algorithm>
#include <functional>
#include <optional>

#include "io/alignment_writer.hpp"

namespace velbrin::family {
namespace {

struct IdEntry {
    std::string_view id;
    std::size_t record;
    friend bool operator<(const IdEntry& a, const IdEntry& b) noexcept {
        return a.id != b.id ? a.id < b.id : a.record < b.record;
    }
};

using Locate = std::function<std::string(std::size_t)>;

std::string quoted(std::string_view id) {
    std::string text = "'";
    text.append(id).push_back('\'');
    return text;
}

// The records' IDs, sorted; a record without an ID fails.
std::variant<std::vector<IdEntry>, PairingFailure> sorted_ids(
    const std::vector<io::SequenceRecord>& records, const Locate& locate) {
    std::vector<IdEntry> ids;
    ids.reserve(records.size());
    for (std::size_t record = 0; record < records.size(); ++record) {
        const std::string_view id = io::record_name(records[record].header);
        if (id.empty()) return PairingFailure{locate(record) + ": the header has no ID"};
        ids.push_back({id, record});
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Of the IDs met twice, the one whose second record comes first in the input.
std::optional<PairingFailure> first_duplicate(const std::vector<IdEntry>& ids,
                                              const Locate& locate) {
    std::optional<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t at = 1; at < ids.size(); ++at) {
        if (ids[at].id != ids[at - 1].id) continue;
        if (!found || ids[at].record < found->second)
            found.emplace(ids[at - 1].record, ids[at].record);
    }
    if (!found) return std::nullopt;
    const auto dup = std::find_if(ids.begin(), ids.end(),
                                  [&](const IdEntry& e) { return e.record == found->first; });
    return PairingFailure{"duplicate ID " + quoted(dup->id) + ": " + locate(found->first) +
                          " and " + locate(found->second)};
}

}  // namespace

std::variant<RecordPairs, PairingFailure> pair_by_id(const FamilyFiles& files) {
    const Locate peptide_at = [&](std::size_t record) { return files.peptide_location(record); };
    const Locate nucleotide_at = [&](std::size_t record) {
        return files.nucleotide_location(record);
    };
    auto peptide_ids = sorted_ids(files.peptides, peptide_at);
    if (auto* failure = std::get_if<PairingFailure>(&peptide_ids)) return std::move(*failure);
    auto nucleotide_ids = sorted_ids(files.nucleotides, nucleotide_at);
    if (auto* failure = std::get_if<PairingFailure>(&nucleotide_ids)) return std::move(*failure);
    const auto& peptides = std::get<0>(peptide_ids);
    const auto& nucleotides = std::get<0>(nucleotide_ids);
    if (auto failure = first_duplicate(peptides, peptide_at)) return std::move(*failure);
    if (auto failure = first_duplicate(nucleotides, nucleotide_at)) return std::move(*failure);

    // Both lists sorted by ID: one merge walk finds every partner.
    RecordPairs pairs;
    pairs.partner.resize(peptides.size());
    std::optional<std::size_t> unpaired;
    auto nucleotide = nucleotides.begin();
    for (const IdEntry& peptide : peptides) {
        while (nucleotide != nucleotides.end() && nucleotide->id < peptide.id) ++nucleotide;
        if (nucleotide == nucleotides.end() || nucleotide->id != peptide.id) {
            if (!unpaired || peptide.record < *unpaired) unpaired = peptide.record;
            continue;
        }
        pairs.partner[peptide.record] = nucleotide->record;
    }
    if (unpaired) {
        return PairingFailure{peptide_at(*unpaired) + ": no nucleotide record has the ID " +
                              quoted(io::record_name(files.peptides[*unpaired].header))};
    }
    pairs.skipped_nucleotides = nucleotides.size() - peptides.size();
    return pairs;
}

std::variant<RecordPairs, PairingFailure> pair_by_order(const FamilyFiles& files) {
    if (files.peptides.size() != files.nucleotides.size()) {
        return PairingFailure{
            "pairing by order needs as many nucleotide records as peptide records: " +
            files.peptide_label + " has " + std::to_string(files.peptides.size()) +
            ", the nucleotide input " + std::to_string(files.nucleotides.size())};
    }
    RecordPairs pairs;
    pairs.partner.resize(files.peptides.size());
    for (std::size_t record = 0; record < pairs.partner.size(); ++record)
        pairs.partner[record] = record;
    return pairs;
}

}  // namespace velbrin::family
