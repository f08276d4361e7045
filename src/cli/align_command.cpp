#include "cli/align_command.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/align_option_flags.hpp"
#include "cli/interrupt_cleanup.hpp"
#include "family/family_run.hpp"
#include "io/atomic_output.hpp"
#include "io/result.hpp"

namespace velbrin::cli {
namespace {

struct AlignRequest {
    family::FamilyInputs inputs;
    family::AlignOptions options;
    std::string output_path;  // empty: standard output
    int verbose = 0;          // -v counts, -vv also lists
};

void print_error(std::string_view message) {
    std::fprintf(stderr, "velbrin: %.*s\n", int(message.size()), message.data());
}

// Standard input can feed only one of the inputs.
void check_one_standard_input(const AlignRequest& request) {
    int readers = request.inputs.peptide_path == "-";
    for (const std::string& path : request.inputs.nucleotide_paths) readers += path == "-";
    readers += request.options.code_table_path == "-";
    if (readers > 1)
        throw CLI::ValidationError("standard input ('-') can be given for one input only");
}

bool write_standard_output(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

void print_notes(const family::FamilyResult& result, int verbose) {
    for (const family::Note& note : result.notes) {
        if (note.verbosity <= verbose) print_error(note.text);
    }
}

void report_counts(const family::FamilyResult& result) {
    std::fprintf(stderr,
                 "velbrin: %zu records, %zu codon columns, %zu nucleotides; %zu nucleotide records "
                 "without a peptide skipped\n",
                 result.records, result.columns, result.nucleotides,
                 result.skipped_nucleotide_records);
}

int run_align(const AlignRequest& request) {
    InterruptCleanup interrupt_cleanup;
    // The output file is opened first, so an unwritable target fails before the work.
    std::optional<io::AtomicOutput> output;
    if (!request.output_path.empty()) {
        io::Result<io::AtomicOutput> created = io::AtomicOutput::create(request.output_path);
        if (!created) {
            print_error(created.failure().message);
            return kExitFailure;
        }
        output.emplace(std::move(created).value());
        interrupt_cleanup.remove_on_interrupt(output->temporary_path());
    }

    const family::FamilyResult result = family::run_family(request.inputs, request.options);
    print_notes(result, request.verbose);
    if (result.status == family::FamilyStatus::input_error) {
        print_error(result.summary);
        return kExitFailure;
    }
    if (result.status == family::FamilyStatus::failed) {
        std::fputs(result.report.c_str(), stderr);
        return kExitFailure;
    }
    if (request.verbose) report_counts(result);
    if (!output) {
        if (write_standard_output(result.output)) return kExitOk;
        print_error("cannot write to standard output");
        return kExitFailure;
    }
    std::optional<io::IoFailure> failure = output->write(result.output);
    if (!failure) failure = output->commit();
    interrupt_cleanup.forget();
    if (!failure) return kExitOk;
    print_error(failure->message);
    return kExitFailure;
}

}  // namespace

Command add_align_command(CLI::App& velbrin) {
    auto request = std::make_shared<AlignRequest>();
    CLI::App* align = velbrin.add_subcommand(
        "align",
        "Codon-align one gene family: a peptide alignment and its unaligned nucleotide sequences");
    align
        ->add_option("PEPTIDES", request->inputs.peptide_path,
                     "Aligned peptides, FASTA or CLUSTAL, plain or gzip ('-' reads standard input)")
        ->type_name("FILE")
        ->required();
    align
        ->add_option("NUCLEOTIDES", request->inputs.nucleotide_paths,
                     "Unaligned nucleotide FASTA files, plain or gzip, read as one set")
        ->type_name("FILE")
        ->required();
    add_align_options(*align, request->options);
    align
        ->add_option(
            "-o,--output", request->output_path,
            "Write the alignment to FILE (replaced only on success) instead of standard output")
        ->type_name("FILE");
    align->add_flag("-v,--verbose", request->verbose,
                    "Report the counts, skipped nucleotide records and loose pairs included, on "
                    "standard error; -vv also lists the loose pairs");
    align->parse_complete_callback([request] {
        check_one_standard_input(*request);
        check_align_options(request->options);
    });
    return Command{align, [request] { return run_align(*request); }};
}

}  // namespace velbrin::cli
