#include "cli/reference_commands.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/man_page.hpp"
#include "cli/shell_completion.hpp"

namespace velbrin::cli {
namespace {

int write_standard_output(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
        std::fflush(stdout) == 0) {
        return kExitOk;
    }
    std::fputs("velbrin: cannot write to standard output\n", stderr);
    return kExitFailure;
}

}  // namespace

Command add_completions_command(CLI::App& velbrin) {
    auto shell = std::make_shared<Shell>(Shell::bash);
    CLI::App* command = velbrin.add_subcommand(
        "completions", "Print a completion script for bash, zsh or fish on standard output");
    command->add_option("SHELL", *shell, "The shell: bash, zsh or fish")
        ->transform(CLI::CheckedTransformer(
                        std::map<std::string, Shell>{
                            {"bash", Shell::bash}, {"zsh", Shell::zsh}, {"fish", Shell::fish}},
                        CLI::ignore_case)
                        .description(""))
        ->type_name("bash|zsh|fish")
        ->required();
    const CLI::App* top = &velbrin;
    return Command{
        command, [shell, top] {
            return write_standard_output(completion_script(*shell, outline_command(*top)));
        }};
}

Command add_man_command(CLI::App& velbrin) {
    CLI::App* command = velbrin.add_subcommand("man", "Print the manual page in roff")->group("");
    const CLI::App* top = &velbrin;
    return Command{
        command,
        [top] { return write_standard_output(man_page(outline_command(*top), VELBRIN_VERSION)); }};
}

}  // namespace velbrin::cli
