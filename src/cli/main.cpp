// The `velbrin` command: one registration call per subcommand.

#include <fcntl.h>
#include <signal.h>
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// A descriptor 0, 1 or 2 left closed by the caller (`2>&-`) would be taken by the next
// file opened, and messages meant for standard error would land in it.  Each is opened on
// /dev/null instead, the wrong way round (standard input for writing, the outputs for
// reading), so that using it still fails as using a closed one does.
void open_standard_descriptors() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is this one.
        if (::open("/dev/null", descriptor == 0 ? O_WRONLY : O_RDONLY) < 0) std::_Exit(127);
    }
}

}  // namespace

int main(int argc, char** argv) {
    open_standard_descriptors();
    // A write beyond the file size limit (ulimit -f) then fails with EFBIG, which is
    // reported and cleaned up like any other failed write, instead of killing the process.
    ::signal(SIGXFSZ, SIG_IGN);
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
