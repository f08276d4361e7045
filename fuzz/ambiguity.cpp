// The ambiguity tests against the reference model: a codon matches a residue's signature
// under a table when one of its resolutions does; it covers a custom table's codon list
// when one of its resolutions is an entry; a candidate is a form of an ambiguous text
// when it is in the text's expansion set.
//
// Input: '|'-separated fields
//   <codon>|<amino acid>|<table number, or the table's own letters>|<entry>|<entry>...

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.hpp"
#include "genetic_code/genetic_code.hpp"
#include "iupac/ambiguity.hpp"
#include "iupac/iupac_expansion.hpp"
#include "reference_model.hpp"

namespace velbrin::fuzz {
namespace {

// Expansion sets grow as 5 to the power of the length; beyond this only the cheap checks.
constexpr std::size_t kLongestExpandedText = 5;

std::string_view table_of(std::string_view field_text) {
    if (!field_text.empty() && field_text.front() >= '0' && field_text.front() <= '9') {
        if (const auto table =
                codon::ncbi_table(static_cast<std::int32_t>(parse_integer(field_text))))
            return *table;
    }
    return field_text;  // any letters, any length: lookups are bounded by its length
}

void check_expansion(std::string_view original, const std::vector<std::string_view>& candidates) {
    const std::optional<std::size_t> first = iupac::first_expansion_member(original, candidates);
    std::optional<std::size_t> expected_first;
    for (std::size_t i = 0; i < candidates.size() && !expected_first; ++i) {
        if (iupac::is_expansion_member(original, candidates[i])) expected_first = i;
    }
    check(first == expected_first, "the first member is the first candidate that is a member");

    std::string own_letters;
    for (const char c : original)
        own_letters.push_back(model::upper(c) == 'U' ? 'T' : model::upper(c));
    check(iupac::is_expansion_member(original, own_letters),
          "a text's own letters are one of its forms", own_letters);

    if (original.size() > kLongestExpandedText) return;
    const std::set<std::string> forms = model::expansion_set(original);
    for (const std::string_view candidate : candidates) {
        check(iupac::is_expansion_member(original, candidate) ==
                  forms.contains(std::string(candidate)),
              "membership is membership of the expansion set", candidate);
    }
    for (const std::string& form : forms) {
        check(iupac::is_expansion_member(original, form),
              "every form of the expansion set is a member", form);
    }
}

void run(std::string_view data) {
    const std::vector<std::string_view> fields = split(data, '|');
    const std::string_view codon = fields[0];
    const std::string_view amino_acid_field = field(fields, 1);
    const char amino_acid = amino_acid_field.empty() ? 'A' : amino_acid_field.front();
    const std::string_view table = table_of(field(fields, 2));
    const std::vector<std::string_view> entries(
        fields.begin() + std::min<std::size_t>(3, fields.size()), fields.end());
    const std::vector<std::string> model_entries(entries.begin(), entries.end());

    check(iupac::ambiguous_triplet_matches_signature(table, amino_acid, codon) ==
              model::ncbi_accepts(table, amino_acid, codon),
          "a codon matches a signature when one of its resolutions does", codon);
    check(iupac::has_iupac_match(codon, entries) == model::covers_an_entry(codon, model_entries),
          "a codon covers a list when one of its resolutions is an entry", codon);
    check_expansion(codon, entries);
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
