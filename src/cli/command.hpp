#pragma once
// A subcommand of `velbrin`: registered on the application, run once it was chosen.

#include <functional>

namespace CLI {
class App;
}

namespace velbrin::cli {

struct Command {
    CLI::App* app = nullptr;   // the subcommand, to tell whether the user chose it
    std::function<int()> run;  // runs it after parsing; returns the exit status
};

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // an alignment or input failure
inline constexpr int kExitUsage = 2;
// A command ended by a signal exits with this plus the signal's number, as a shell reports it.
inline constexpr int kExitSignalBase = 128;

}  // namespace velbrin::cli
