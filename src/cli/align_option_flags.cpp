#include "cli/align_option_flags.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "io/input_limits.hpp"
#include "io/output_formats.hpp"

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

    std::vector<std::pair<std::string, io::OutputFormat>> formats;
    std::string format_help = "Output format:";
    for (const io::OutputFormatInfo& info : io::kOutputFormats) {
        formats.emplace_back(info.name, info.format);
        format_help.append(" ").append(info.name).append(": ").append(info.help).append(";");
    }
    format_help.back() = '.';
    add_choice<io::OutputFormat>(command, "--format", options.format, formats, "fasta",
                                 format_help);
    command
        .add_option("--width", options.width,
                    "FASTA line width; 0 writes each sequence on one line")
        ->type_name("N")
        ->default_val(60);
    command.add_flag("--no-fsync{false}", options.sync_outputs,
                     "Do not wait for output files to reach the disk (for scratch runs)");
    add_size_option(command, "--max-input-size", options.max_input_size,
                    "Refuse an input larger than this once inflated (suffixes K, M, G, T)");
}

void check_align_options(const family::AlignOptions& options) {
    if (options.pair_map && options.pairing == family::Pairing::by_order)
        throw CLI::ValidationError("--pair-map pairs by ID; it cannot be used with --pair order");
}

}  // namespace velbrin::cli
