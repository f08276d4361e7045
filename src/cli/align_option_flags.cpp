#include "cli/align_option_flags.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <utility>
#include <vector>

#include "io/input_limits.hpp"

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

// A byte count such as "100M" or "4G".
void add_size_option(CLI::App& command, const std::string& name, std::size_t& target,
                     const std::string& help) {
    const auto assign = [&target](const std::string& text) {
        if (const auto size = io::parse_input_size(text)) target = *size;
    };
    const auto validate = [](const std::string& text) -> std::string {
        if (io::parse_input_size(text)) return {};
        return "not a size such as 100M or 4G: " + text;
    };
    command.add_option_function<std::string>(name, assign, help)
        ->check(CLI::Validator(validate, "SIZE"))
        ->type_name("SIZE")
        ->default_str(io::format_input_size(target));
}

}  // namespace

void add_align_options(CLI::App& command, AlignOptions& options) {
    add_choice<Pairing>(command, "--pair", options.pairing,
                        {{"id", Pairing::by_id}, {"order", Pairing::by_order}}, "id",
                        "Pair records by ID (the header's first word) or by position in the files");

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
    add_size_option(command, "--max-input-size", options.max_input_size,
                    "Refuse an input larger than this once inflated (suffixes K, M, G, T)");
}

}  // namespace velbrin::cli
