// The `velbrin` command: one registration call per subcommand.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <new>
#include <vector>

#include "cli/align_command.hpp"
#include "cli/batch_command.hpp"
#include "cli/command.hpp"
#include "cli/reference_commands.hpp"

namespace {

// A usage error: one line and the hint, on standard error.
std::string usage_failure(const CLI::App*, const CLI::Error& error) {
    return std::string("velbrin: ") + error.what() + "\nRun with --help for more information.\n";
}

int run_chosen(const std::vector<velbrin::cli::Command>& commands) {
    for (const velbrin::cli::Command& command : commands) {
        if (command.app->parsed()) return command.run();
    }
    return velbrin::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Codon alignments from peptide alignments and unaligned nucleotide sequences.",
                 "velbrin"};
    app.set_version_flag("-V,--version", "velbrin " VELBRIN_VERSION);
    app.require_subcommand(1);
    app.failure_message(usage_failure);
    app.get_formatter()->column_width(32);
    const std::vector<velbrin::cli::Command> commands{
        velbrin::cli::add_align_command(app),
        velbrin::cli::add_batch_command(app),
        velbrin::cli::add_completions_command(app),
        velbrin::cli::add_man_command(app),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : velbrin::cli::kExitUsage;
    }
    try {
        return run_chosen(commands);
    } catch (const std::bad_alloc&) {
        std::fputs("velbrin: out of memory\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velbrin: internal error: %s\n", error.what());
    }
    return velbrin::cli::kExitFailure;
}
