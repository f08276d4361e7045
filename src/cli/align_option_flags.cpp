#include "cli/align_option_flags.hpp"

#include <CLI/CLI.hpp>

#include <map>
#include <string>

namespace velbrin::cli {

void add_align_options(CLI::App& command, AlignOptions& options) {
    const std::map<std::string, Pairing> pairings{{"id", Pairing::by_id}, {"order", Pairing::by_order}};
    command
        .add_option("--pair", options.pairing,
                    "Pair records by ID (the header's first word) or by position in the files")
        ->transform(CLI::CheckedTransformer(pairings))
        ->default_str("id")
        ->option_text("id|order");

    auto* table = command.add_option("--table", options.table, "NCBI genetic code by number")
                      ->option_text("N")
                      ->default_val(1);
    command
        .add_option("--table-file", options.code_table_path,
                    "Genetic code from a file: one amino acid and its codons per line")
        ->option_text("FILE")
        ->excludes(table);

    command.add_flag("--trim-terminal-stop", options.trim_terminal_stop,
                     "Drop a record's last codon when it is a stop codon its peptide leaves out");
    command.add_flag("--remove-stop-columns", options.remove_stop_columns,
                     "Drop every codon column in which any record has a stop codon");
    command.add_flag("--remove-gap-columns", options.remove_gap_columns,
                     "Drop every codon column in which any record has a gap");

    const std::map<std::string, io::OutputFormat> formats{{"fasta", io::OutputFormat::fasta},
                                                          {"phylip", io::OutputFormat::phylip},
                                                          {"paml", io::OutputFormat::paml},
                                                          {"clustal", io::OutputFormat::clustal}};
    command.add_option("--format", options.format, "Output format")
        ->transform(CLI::CheckedTransformer(formats))
        ->default_str("fasta")
        ->option_text("fasta|phylip|paml|clustal");
    command.add_option("--width", options.width, "FASTA line width; 0 writes each sequence on one line")
        ->option_text("N")
        ->default_val(60);
}

}  // namespace velbrin::cli
