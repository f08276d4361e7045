#pragma once
// The command's subcommands and options as plain data, read from the CLI11 definitions, so
// that the completion scripts and the manual page follow every option without a list of
// their own.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velbrin::cli {

// What a shell may offer after an option or for a positional argument.
enum class ValueKind {
    none,       // a flag: no value
    file,       // a path
    directory,  // a folder
    choice,     // one of `choices`
    text,       // anything (a number, a name): nothing to offer
};

struct OptionOutline {
    std::vector<std::string> names;  // short names first: "-o", "--output"
    std::string value_name;          // as the help shows it: "FILE", "N", "id|order"
    ValueKind kind = ValueKind::none;
    std::vector<std::string> choices;
    std::string description;
    std::string default_value;
};

struct PositionalOutline {
    std::string name;  // "PEPTIDES"
    ValueKind kind = ValueKind::file;
    std::vector<std::string> choices;
    std::string description;
    bool repeated = false;  // takes any number of values
    bool required = false;
};

struct CommandOutline {
    std::string name;
    std::string description;
    std::vector<OptionOutline> options;
    std::vector<PositionalOutline> positionals;
    std::vector<CommandOutline> subcommands;  // hidden ones left out
};

CommandOutline outline_command(const CLI::App& app);

}  // namespace velbrin::cli
