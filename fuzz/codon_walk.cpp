// The codon walk of both drivers, on records read from the input, checked against the
// reference model: a successful walk gives each record's key and a codon line of three
// bytes per peptide column that takes the record's nucleotides in order; a failing one
// gives one error block naming a failure that some record really has.  Under an NCBI
// table the custom-table driver, given the same code as a table, must agree.
//
// Input lines (see fuzz/corpus/codon_walk for examples):
//   tarnix <table number>|<aa path>|<nt path>     or   custom|<aa path>|<nt path>
//   <symbol>=<codon>,<codon>,...                  a custom table entry ("M=" for none)
//   <key>|<header>|<peptide>|<nucleotides>        a record whose two headers are equal
//   <key>|<aa header>|<peptide>|<nt header>|<nucleotides>
// A first line that is no command means tarnix under table 1.  Texts are made valid UTF-8,
// as a Python `str` always is, unless the command word has a "!" ("tarnix! 1", "custom!"):
// then the raw bytes go in, and only a report's UTF-8 validity is not demanded.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "codon/alignment.hpp"
#include "codon/record_map.hpp"
#include "codon/vector_level.hpp"
#include "fuzz_input.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "genetic_code/genetic_code.hpp"
#include "reference_model.hpp"
#include "text/unicode_text.hpp"

namespace velbrin::fuzz {
namespace {

using TableEntries = std::map<char32_t, std::vector<std::string>>;

struct Record {
    std::string key;
    std::string aa_header;
    std::string peptide;
    std::string nt_header;
    std::string nucleotides;
};

struct WalkInput {
    bool custom = false;
    bool raw = false;  // texts are the input's bytes, valid UTF-8 or not
    std::int32_t table_num = 1;
    std::string aa_path;
    std::string nt_path;
    TableEntries table;
    std::vector<Record> records;  // unique keys; a later record replaces an earlier in place
};

void add_record(WalkInput& input, Record record) {
    for (Record& present : input.records) {
        if (present.key == record.key) {
            present = std::move(record);
            return;
        }
    }
    input.records.push_back(std::move(record));
}

std::string text_of(const WalkInput& input, std::string_view bytes) {
    return input.raw ? std::string(bytes) : as_utf8(bytes);
}

void add_table_entry(WalkInput& input, std::string_view line) {
    const std::size_t equals = line.find('=');
    const std::string symbol_text = as_utf8(line.substr(0, equals));
    const text::Utf8Char symbol = text::decode_utf8_char(symbol_text);
    if (symbol.length == 0) return;
    std::vector<std::string> codons;
    const std::string_view listed = line.substr(equals + 1);
    if (!listed.empty()) {
        for (const std::string_view codon : split(listed, ','))
            codons.push_back(text_of(input, codon));
    }
    input.table[symbol.code_point] = std::move(codons);
}

bool read_command(WalkInput& input, std::string_view line) {
    const std::vector<std::string_view> fields = split(line, '|');
    std::string_view command = fields[0];
    if (starts_with(command, "custom")) {
        input.custom = true;
        command.remove_prefix(6);
    } else if (starts_with(command, "tarnix")) {
        command.remove_prefix(6);
    } else {
        return false;
    }
    input.raw = starts_with(command, "!");
    if (!input.custom) {
        // Any 64-bit number is folded into the 32-bit range, so every number is reachable.
        input.table_num = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(parse_integer(command.substr(input.raw ? 1 : 0))));
    }
    input.aa_path = text_of(input, field(fields, 1));
    input.nt_path = text_of(input, field(fields, 2));
    return true;
}

WalkInput read_input(std::string_view data) {
    WalkInput input;
    const std::vector<std::string_view> lines = split(data, '\n');
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (i == 0 && read_command(input, line)) continue;
        if (line.find('|') != std::string_view::npos) {
            const std::vector<std::string_view> fields = split(line, '|');
            const bool own_nt_header = fields.size() >= 5;
            add_record(input, Record{text_of(input, fields[0]), text_of(input, field(fields, 1)),
                                     text_of(input, field(fields, 2)),
                                     text_of(input, field(fields, own_nt_header ? 3 : 1)),
                                     text_of(input, field(fields, own_nt_header ? 4 : 3))});
        } else if (line.find('=') != std::string_view::npos) {
            add_table_entry(input, line);
        }
    }
    return input;
}

codon::RecordMap record_map(const std::vector<Record>& records) {
    codon::RecordMap map;
    map.reserve(records.size());
    for (const Record& r : records) {
        map.insert_or_replace(
            codon::RecordPair{r.key, {r.aa_header, r.peptide}, {r.nt_header, r.nucleotides}});
    }
    return map;
}

codon::CustomCodonTable custom_table(const TableEntries& entries) {
    codon::CustomCodonTable table;
    for (const auto& [symbol, codons] : entries) table.insert_or_replace(symbol, codons);
    return table;
}

// The custom table that states an NCBI table: each letter with its codons, the
// signature letters B, J and Z with the codons of the letters they admit, and X.  Every
// residue is a key, also one that no codon encodes (a table without stops has "*" with
// no codons), so that it fails as a mismatch under both drivers.
TableEntries entries_of_ncbi_table(std::string_view table) {
    constexpr std::string_view residues = "ACDEFGHIKLMNPQRSTVWY*BJZX";
    TableEntries entries;
    for (const char residue : residues) entries[char32_t(residue)];
    constexpr std::string_view bases = "TCAG";
    for (std::size_t index = 0; index < table.size(); ++index) {
        const std::string codon{bases[index / 16], bases[index / 4 % 4], bases[index % 4]};
        for (const char residue : residues) {
            if (model::signature_admits(residue, table[index]))
                entries[char32_t(residue)].push_back(codon);
        }
    }
    return entries;
}

// What the model expects of one record: the summary of its failure (empty when it
// passes) and its codon line.
struct Expectation {
    std::string_view failure;
    std::string codon_line;
};

Expectation expect(const Record& record, const WalkInput& input, std::string_view ncbi) {
    const std::string peptide = model::normalised_peptide(record.peptide);
    const std::string nucleotides = model::normalised_nucleotides(record.nucleotides);

    if (record.aa_header != record.nt_header) return {model::kSummaries[2], {}};
    std::size_t residues = 0;
    for (const char c : peptide) residues += c != '-';
    if (nucleotides.size() != 3 * residues) return {model::kSummaries[3], {}};

    Expectation expectation;
    std::size_t cursor = 0;
    for (const char residue : peptide) {
        if (residue == '-') {
            expectation.codon_line += "---";
            continue;
        }
        const std::vector<std::string>* allowed = nullptr;
        if (input.custom) {
            const auto found = input.table.find(char32_t(static_cast<unsigned char>(residue)));
            if (found == input.table.end()) return {model::kSummaries[1], {}};
            allowed = &found->second;
        }
        const std::string_view codon = std::string_view(nucleotides).substr(cursor, 3);
        cursor += 3;
        const bool accepted = text::is_valid_utf8(codon) &&
                              (codon.find('N') != std::string_view::npos || residue == 'X' ||
                               (input.custom ? model::custom_accepts(*allowed, codon)
                                             : model::ncbi_accepts(ncbi, residue, codon)));
        if (!accepted) return {model::kSummaries[4], {}};
        expectation.codon_line += codon;
    }
    return expectation;
}

// The result is each record's key and codon line, every record once, in any order.
void check_result(std::string_view result, const std::vector<Record>& records,
                  const std::vector<Expectation>& expectations) {
    std::map<std::string_view, std::string_view> expected;
    for (std::size_t i = 0; i < records.size(); ++i)
        expected[records[i].key] = expectations[i].codon_line;
    std::string_view rest = result;
    while (!rest.empty()) {
        const std::size_t key_end = rest.find('\n');
        check(key_end != std::string_view::npos, "a key line ends", result);
        const std::size_t line_end = rest.find('\n', key_end + 1);
        check(line_end != std::string_view::npos, "a codon line ends", result);
        const auto found = expected.find(rest.substr(0, key_end));
        check(found != expected.end(), "each key of the result is a record's, once", result);
        check(rest.substr(key_end + 1, line_end - key_end - 1) == found->second,
              "a codon line is three bytes per peptide column, the record's nucleotides in order",
              result);
        expected.erase(found);
        rest.remove_prefix(line_end + 1);
    }
    check(expected.empty(), "every record is in the result", result);
}

// Returns the summary of a failure, or empty for a result.
std::string_view check_outcome(const codon::AlignmentOutcome& outcome, const WalkInput& input,
                               std::string_view ncbi) {
    std::vector<Expectation> expectations;
    std::set<std::string_view> failures;
    for (const Record& record : input.records) {
        expectations.push_back(expect(record, input, ncbi));
        if (!expectations.back().failure.empty()) failures.insert(expectations.back().failure);
    }
    if (const auto* result = std::get_if<std::string>(&outcome)) {
        check(failures.empty(), "a walk succeeds only when every record is sound", *result);
        check(input.raw || text::is_valid_utf8(*result), "a result is valid UTF-8", *result);
        check_result(*result, input.records, expectations);
        return {};
    }
    const std::string& report = std::get<codon::Failure>(outcome).message;
    const std::string_view summary = model::check_error_block(report, !input.raw);
    check(failures.contains(summary), "a failure names what is wrong with some record", report);
    return summary;
}

void check_agreement(const WalkInput& input, std::string_view ncbi_summary,
                     const codon::AlignmentOutcome& ncbi_outcome,
                     const codon::AlignmentOutcome& custom_outcome, std::size_t failing_records) {
    check(ncbi_outcome.index() == custom_outcome.index(),
          "both drivers succeed or fail together under the same code");
    if (const auto* result = std::get_if<std::string>(&ncbi_outcome)) {
        check(*result == std::get<std::string>(custom_outcome), "both drivers give the same result",
              *result);
    } else if (failing_records == 1) {
        const std::string& report = std::get<codon::Failure>(custom_outcome).message;
        check(model::check_error_block(report, !input.raw) == ncbi_summary,
              "both drivers report the same failure", report);
    }
}

std::size_t count_failing(const WalkInput& input, std::string_view ncbi) {
    std::size_t failing = 0;
    for (const Record& record : input.records)
        failing += !expect(record, input, ncbi).failure.empty();
    return failing;
}

void run(std::string_view data) {
    WalkInput input = read_input(data);
    if (input.custom) {
        const codon::CustomCodonTable table = custom_table(input.table);
        check_outcome(codon::align_with_custom_code(input.aa_path, input.nt_path, table,
                                                    record_map(input.records)),
                      input, {});
        return;
    }
    const auto ncbi = codon::ncbi_table(input.table_num);
    const codon::AlignmentOutcome outcome = codon::align_with_ncbi_code(
        input.aa_path, input.nt_path, input.table_num, record_map(input.records));
    if (!ncbi) {
        check(std::holds_alternative<codon::Failure>(outcome),
              "an unsupported table fails the call");
        const std::string& report = std::get<codon::Failure>(outcome).message;
        check(model::check_error_block(report, !input.raw) == model::kSummaries[0],
              "an unsupported table is reported", report);
        return;
    }
    const std::string_view summary = check_outcome(outcome, input, *ncbi);

    WalkInput as_custom = input;
    as_custom.custom = true;
    as_custom.table = entries_of_ncbi_table(*ncbi);
    const codon::CustomCodonTable table = custom_table(as_custom.table);
    const codon::AlignmentOutcome custom_outcome = codon::align_with_custom_code(
        input.aa_path, input.nt_path, table, record_map(input.records));
    check_agreement(input, summary, outcome, custom_outcome, count_failing(input, *ncbi));
}

}  // namespace
}  // namespace velbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The walk's vector level (portable, SSSE3, AVX2, as far as the CPU has them) follows
    // the input's length, so that every level meets every kind of input.
    velbrin::codon::use_vector_level(velbrin::codon::VectorLevel(size % 3));
    velbrin::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
