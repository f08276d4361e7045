#include "cli/align_option_flags.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velbrin::cli {
namespace {

// A choice among named values: the names are listed in the help and checked on parse.
template <class Value>
CLI::Option* add_choice(CLI::App& command, const std::string& name, Value& target,
                        const std::vector<std::pair<std::string, Value>>& choices,
                        const std::string& fallback, const std::string& help) {
    std::vector<std::string> names;
    std::string listed;
    for (const auto& [choice, value] : choices) {
        names.push_back(choice);
        listed.append(listed.empty() ? "" : "|").append(choice);
    }
    const auto assign = [&target, choices](const std::string& chosen) {
        for (const auto& [choice, value] : choices) {
            if (choice == chosen) target = value;
        }
    };
    return command.add_option_function<std::string>(name, assign, help)
        ->check(CLI::IsMember(names).description(""))
        ->type_name(listed)
        ->default_str(fallback);
}

// An ID pattern, compiled when parsed; a faulty one is a usage error naming the option.
void add_id_pattern(CLI::App& command, const std::string& name,
                    std::optional<family::IdPattern>& target, const std::string& help) {
    const auto compile = [&target, name](const std::string& pattern) {
        io::Result<family::IdPattern> compiled = family::IdPattern::compile(pattern);
        if (!compiled) {
            throw CLI::ValidationError(name,
                                       "invalid regular expression: " + compiled.failure().message);
        }
        target.emplace(std::move(compiled).value());
    };
    command.add_option_function<std::string>(name, compile, help)->type_name("REGEX");
}

}  // namespace

void add_align_options(CLI::App& command, family::AlignOptions& options) {
    add_choice<family::Pairing>(command, "--pair", options.pairing,
                                {{"id", family::Pairing::by_id},
                                 {"order", family::Pairing::by_order},
                                 {"loose", family::Pairing::loose}},
                                "id",
                                "Pair records by ID (the header's first word), by position in "
                                "the files, or by ID with names as aligners rewrite them");
    add_id_pattern(command, "--peptide-id", options.peptide_id,
                   "Pair by the first group (else the match) of REGEX in each peptide header");
    add_id_pattern(command, "--nucleotide-id", options.nucleotide_id,
                   "Pair by the first group (else the match) of REGEX in each nucleotide header");
    command
        .add_option_function<std::string>(
            "--pair-map",
            [&options](const std::string& path) {
                options.pair_map = std::make_shared<const family::SharedPairMap>(path);
            },
            "Pair by a two-column TSV file: peptide ID, tab, nucleotide ID")
        ->type_name("FILE");

    auto* table = command.add_option("--table", options.table, "NCBI genetic code by number")
                      ->type_name("N")
                      ->default_val(1);
    command
        .add_option("--table-file", options.code_table_path,
                    "Genetic code from a file: one amino acid and its codons per line")
        ->type_name("FILE")
        ->excludes(table);

    command.add_flag("--trim-terminal-stop", options.trim_terminal_stop,
                     "Drop a record's last codon when it is a stop codon its peptide leaves out");
    command.add_flag("--remove-stop-columns", options.remove_stop_columns,
                     "Drop every codon column in which any record has a stop codon");
    command.add_flag("--remove-gap-columns", options.remove_gap_columns,
                     "Drop every codon column in which any record has a gap");

    add_choice<io::OutputFormat>(command, "--format", options.format,
                                 {{"fasta", io::OutputFormat::fasta},
                                  {"phylip", io::OutputFormat::phylip},
                                  {"paml", io::OutputFormat::paml},
                                  {"clustal", io::OutputFormat::clustal}},
                                 "fasta", "Output format");
    command
        .add_option("--width", options.width,
                    "FASTA line width; 0 writes each sequence on one line")
        ->type_name("N")
        ->default_val(60);
}

void check_align_options(const family::AlignOptions& options) {
    if (options.pair_map && options.pairing == family::Pairing::by_order)
        throw CLI::ValidationError("--pair-map pairs by ID; it cannot be used with --pair order");
}

}  // namespace velbrin::cli
