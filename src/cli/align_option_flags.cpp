#include "cli/align_option_flags.hpp"

#include <CLI/CLI.hpp>

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

}  // namespace

void add_align_options(CLI::App& command, family::AlignOptions& options) {
    add_choice<family::Pairing>(
        command, "--pair", options.pairing,
        {{"id", family::Pairing::by_id}, {"order", family::Pairing::by_order}}, "id",
        "Pair records by ID (the header's first word) or by position in the files");

    auto* table = command.add_option("--table", options.table, "NCBI genetic code by number")
                      ->type_name("N")
                      ->default_val(1);
    command
        .add_option("--table-file", options.code_table_path,
                    "Genetic code from a file: one amino acid and its codons per line")
        ->type_name("FILE")
        ->excludes(table);

    auto* trim = command.add_flag(
        "--trim-terminal-stop", options.trim_terminal_stop,
        "Drop a record's last codon when it is a stop codon its peptide leaves out (the default)");
    command
        .add_flag("--keep-terminal-stop", options.keep_terminal_stop,
                  "Keep such a stop codon, so that the record fails the length check")
        ->excludes(trim);
    command.add_flag("--strict-start", options.strict_start,
                     "Read a record's first codon by the code alone, not an alternative start "
                     "codon as M");
    add_choice<family::OnMismatch>(
        command, "--on-mismatch", options.on_mismatch,
        {{"fail", family::OnMismatch::fail},
         {"mask", family::OnMismatch::mask},
         {"drop", family::OnMismatch::drop}},
        "fail",
        "A codon that does not encode its residue fails the family, is "
        "written as NNN, or drops its record (as does a record of the wrong "
        "length)");
    command
        .add_option("--mismatch-log", options.mismatch_log_path,
                    "List every masked codon and dropped record in FILE (tab-separated)")
        ->type_name("FILE");
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

}  // namespace velbrin::cli
