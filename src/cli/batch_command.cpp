#include "cli/batch_command.hpp"

#include <CLI/CLI.hpp>

#include <memory>

#include "cli/align_option_flags.hpp"
#include "cli/batch_run.hpp"

namespace velbrin::cli {
namespace {

struct BatchRequest {
    BatchOptions batch;
    family::AlignOptions align;
};

void check_family_source(const BatchRequest& request) {
    if (request.batch.manifest_path.empty() && request.batch.peptide_folder.empty()) {
        throw CLI::ValidationError("give a MANIFEST or --peptides and --nucleotides");
    }
}

}  // namespace

Command add_batch_command(CLI::App& velbrin) {
    auto request = std::make_shared<BatchRequest>();
    auto& batch = request->batch;
    CLI::App* command = velbrin.add_subcommand(
        "batch",
        "Codon-align many gene families, listed in a manifest or matched across two folders");
    auto* manifest = command->add_option(
        "MANIFEST", batch.manifest_path,
        "Tab-separated lines: family, peptide file, nucleotide files (comma-separated), "
        "optional table; '#' starts a comment; paths relative to the manifest's folder");
    auto* peptides = command
                         ->add_option("--peptides", batch.peptide_folder,
                                      "Folder of peptide alignments (.fa .faa .fasta .aln .pep, "
                                      "optionally .gz), one family per file stem")
                         ->option_text("DIR")
                         ->excludes(manifest);
    auto* nucleotides =
        command
            ->add_option("--nucleotides", batch.nucleotide_folder,
                         "Folder of nucleotide files (.fa .fna .fasta .ffn .cds .nt, "
                         "optionally .gz) matched to the peptides by file stem")
            ->option_text("DIR")
            ->excludes(manifest);
    peptides->needs(nucleotides);
    nucleotides->needs(peptides);
    command
        ->add_option("--out-dir", batch.out_folder,
                     "Folder of the outputs (<family>.fa, .phy, .paml or .aln), the failures' "
                     "reports (<family>.err) and status.tsv; created when missing")
        ->option_text("DIR")
        ->required();
    command
        ->add_option("--status", batch.status_path,
                     "Write the status table to FILE instead of DIR/status.tsv")
        ->option_text("FILE");
    command
        ->add_option("--threads", batch.threads, "Families aligned at once (default: one per core)")
        ->option_text("N")
        ->check(CLI::PositiveNumber);
    command->add_flag("--skip-existing", batch.skip_existing,
                      "Skip families whose output file exists, to resume an interrupted run");
    command->add_flag("--fail-fast", batch.fail_fast, "Start no family after the first failure");
    command->add_flag("-q,--quiet", batch.quiet,
                      "No progress line and no summary on standard error");
    add_align_options(*command, request->align);
    command->parse_complete_callback([request] {
        check_family_source(*request);
        check_align_options(request->align);
    });
    return Command{command, [request] { return run_batch(request->batch, request->align); }};
}

}  // namespace velbrin::cli
