#include "cli/align_command.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cli/align_option_flags.hpp"
#include "cli/interrupt_cleanup.hpp"
#include "family/family_run.hpp"
#include "io/output_file.hpp"
#include "io/output_guard.hpp"
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

// Every file the command reads.
std::vector<std::string> input_paths(const AlignRequest& request) {
    std::vector<std::string> paths{request.inputs.peptide_path};
    paths.insert(paths.end(), request.inputs.nucleotide_paths.begin(),
                 request.inputs.nucleotide_paths.end());
    if (!request.options.code_table_path.empty()) paths.push_back(request.options.code_table_path);
    return paths;
}

// An output that is one of the inputs (under any spelling) would destroy it.
void check_output_is_no_input(const AlignRequest& request) {
    if (request.output_path.empty()) return;
    const std::vector<std::string> inputs = input_paths(request);
    const io::OutputGuard guard(inputs);  // the input it names lives in the guard
    if (const auto input = guard.input_at(request.output_path)) {
        throw CLI::ValidationError("the output " + request.output_path + " is the input " +
                                   std::string(*input) + "; name another output file");
    }
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
    std::fprintf(stderr,
                 "velbrin: %zu terminal stop codons trimmed, %zu alternative start codons "
                 "read as M\n",
                 result.trimmed_stops, result.alternative_starts);
}

// Masked codons and dropped records change the alignment, so they are told even
// without -v.
void report_policy_changes(const family::FamilyResult& result) {
    if (result.masked_codons + result.dropped_records == 0) return;
    std::fprintf(stderr, "velbrin: %zu codon(s) masked, %zu record(s) dropped\n",
                 result.masked_codons, result.dropped_records);
}

// The log is written whenever the family reached the core, so that a family that lost
// every record shows why; false after reporting a failure to write it.
bool write_mismatch_log(const AlignRequest& request, const family::FamilyResult& result,
                        InterruptCleanup& interrupt_cleanup) {
    if (request.options.mismatch_log_path.empty()) return true;
    io::Result<io::AtomicOutput> created =
        io::AtomicOutput::create(request.options.mismatch_log_path, &interrupt_cleanup);
    if (!created) {
        print_error(created.failure().message);
        return false;
    }
    io::AtomicOutput& log = *created;
    std::optional<io::IoFailure> failure = log.write(family::kMismatchLogHeading);
    if (!failure) failure = log.write(result.mismatch_rows);
    if (!failure) failure = log.commit();
    if (failure) log.discard();
    interrupt_cleanup.forget();
    if (failure) print_error(failure->message);
    return !failure;
}

// Standard output, or the -o file (a temporary, a device or a FIFO), opened before the
// work so that an unwritable target fails first.
std::variant<io::OutputFile, io::IoFailure> open_output(const AlignRequest& request,
                                                        InterruptCleanup& interrupt_cleanup) {
    if (request.output_path.empty()) return io::OutputFile::standard_output();
    return io::OutputFile::open(request.output_path, request.options.sync_outputs,
                                &interrupt_cleanup);
}

int run_align(const AlignRequest& request) {
    InterruptCleanup interrupt_cleanup;
    auto opened = open_output(request, interrupt_cleanup);
    if (auto* failure = std::get_if<io::IoFailure>(&opened)) {
        print_error(failure->message);
        return kExitFailure;
    }
    io::OutputFile& output = std::get<io::OutputFile>(opened);

    // Rows reach standard output or a device only once the whole family has passed; a
    // temporary file, which goes unless committed, may take them while they are checked.
    const family::OutputSink sink{[&output](std::string_view bytes) { return output.write(bytes); },
                                  [&] {
                                      auto failure = output.commit();
                                      if (failure) output.discard();
                                      interrupt_cleanup.forget();
                                      return failure;
                                  },
                                  output.temporary_path() != nullptr};
    const family::FamilyResult result = family::run_family(request.inputs, request.options, &sink);
    print_notes(result, request.verbose);
    if (result.status != family::FamilyStatus::aligned) {
        // The temporary goes before the handler forgets it, so no signal can leave it.
        output.discard();
        interrupt_cleanup.forget();
    }
    if (result.status == family::FamilyStatus::input_error) {
        print_error(result.summary);
        return kExitFailure;
    }
    report_policy_changes(result);
    if (result.status == family::FamilyStatus::failed) {
        write_mismatch_log(request, result, interrupt_cleanup);
        std::fputs(result.report.c_str(), stderr);
        if (request.verbose) report_counts(result);  // what was read, as batch's status row
        return kExitFailure;
    }
    if (request.verbose) report_counts(result);
    return write_mismatch_log(request, result, interrupt_cleanup) ? kExitOk : kExitFailure;
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
            "Write the alignment to FILE (replaced only on success; a device or FIFO is written "
            "to) instead of standard output")
        ->type_name("FILE");
    align->add_flag("-v,--verbose", request->verbose,
                    "Report the counts, skipped nucleotide records and loose pairs included, on "
                    "standard error; -vv also lists the loose pairs");
    align->parse_complete_callback([request] {
        check_one_standard_input(*request);
        check_align_options(request->options);
        check_output_is_no_input(*request);
    });
    return Command{align, [request] { return run_align(*request); }};
}

}  // namespace velbrin::cli
