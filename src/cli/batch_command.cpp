#include "cli/batch_command.hpp"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "cli/align_option_flags.hpp"
#include "cli/batch_run.hpp"
#include "cli/shard_status.hpp"

namespace velbrin::cli {
namespace {

struct BatchRequest {
    BatchOptions batch;
    family::AlignOptions align;
    std::int64_t threads = 0;  // as given; checked before it becomes batch.threads
    bool threads_given = false;
    std::string shard;  // "K/N" as given
    bool out_folder_given = false;
};

void check_request(BatchRequest& request) {
    auto& batch = request.batch;
    if (!batch.merge_folder.empty()) {
        if (!batch.manifest_path.empty() || !batch.peptide_folder.empty() ||
            request.out_folder_given || !request.shard.empty()) {
            throw CLI::ValidationError("--merge-status takes no families, --out-dir or --shard");
        }
        return;
    }
    if (batch.manifest_path.empty() && batch.peptide_folder.empty()) {
        throw CLI::ValidationError("give a MANIFEST or --peptides and --nucleotides");
    }
    if (!request.out_folder_given) throw CLI::ValidationError("--out-dir is required");
    if (batch.out_folder.empty()) throw CLI::ValidationError("--out-dir names no folder");
    if (!request.shard.empty()) {
        batch.shard = parse_shard(request.shard);
        if (!batch.shard) {
            throw CLI::ValidationError("--shard must be K/N with 1 <= K <= N, not '" +
                                       request.shard + "'");
        }
    }
    if (request.threads_given) {
        if (request.threads < 1) throw CLI::ValidationError("--threads must be at least 1");
        batch.threads = static_cast<std::size_t>(request.threads);
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
    auto* out_folder =
        command
            ->add_option("--out-dir", batch.out_folder,
                         "Folder of the outputs (<family>.fa, .phy, .paml or .aln), the failures' "
                         "reports (<family>.err) and status.tsv; created when missing")
            ->option_text("DIR");
    command
        ->add_option("--status", batch.status_path,
                     "Write the status table to FILE instead of DIR/status.tsv "
                     "(DIR/status.K-of-N.tsv with --shard)")
        ->option_text("FILE");
    command
        ->add_option("--shard", request->shard,
                     "Run only shard K of N: the families whose position in the manifest (or "
                     "the sorted folder listing) is K-1 modulo N")
        ->option_text("K/N");
    command
        ->add_option("--merge-status", batch.merge_folder,
                     "Join the shard tables DIR/status.K-of-N.tsv into DIR/status.tsv, in the "
                     "families' order, and stop")
        ->option_text("DIR");
    auto* threads = command
                        ->add_option("--threads", request->threads,
                                     "Families aligned at once (default: one per core)")
                        ->option_text("N");
    command->add_flag("--skip-existing", batch.skip_existing,
                      "Skip families whose output file exists, to resume an interrupted run");
    command->add_flag("--fail-fast", batch.fail_fast, "Start no family after the first failure");
    command->add_flag("-q,--quiet", batch.quiet,
                      "No progress line and no summary on standard error");
    add_align_options(*command, request->align);
    command->parse_complete_callback([request, threads, out_folder] {
        request->threads_given = threads->count() > 0;
        request->out_folder_given = out_folder->count() > 0;
        check_request(*request);
        check_align_options(request->align);
    });
    return Command{command, [request] { return run_batch(request->batch, request->align); }};
}

}  // namespace velbrin::cli
