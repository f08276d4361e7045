#include "cli/shell_completion.hpp"

namespace velbrin::cli {
namespace {

std::string joined(const std::vector<std::string>& words, std::string_view separator = " ") {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text.append(separator);
        text.append(word);
    }
    return text;
}

std::vector<std::string> option_names(const CommandOutline& command) {
    std::vector<std::string> names;
    for (const OptionOutline& option : command.options)
        names.insert(names.end(), option.names.begin(), option.names.end());
    return names;
}

std::vector<std::string> subcommand_names(const CommandOutline& command) {
    std::vector<std::string> names;
    for (const CommandOutline& sub : command.subcommands) names.push_back(sub.name);
    return names;
}

// Inside single quotes every character is literal but the quote itself.
std::string single_quoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) quoted.append(c == '\'' ? "'\\''" : std::string(1, c));
    return quoted + "'";
}

// ---- bash: the words before the cursor choose the subcommand, the word before the
// cursor tells whether an option's value is asked for.

std::string bash_value_reply(ValueKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::choice:
            return "_velbrin_reply -W " + single_quoted(joined(choices)) + " --";
        case ValueKind::directory: return "_velbrin_reply -d --";
        case ValueKind::file: return "_velbrin_reply -f --";
        case ValueKind::none:
        case ValueKind::text: break;
    }
    return "COMPREPLY=()";
}

void append_bash_values(std::string& out, const CommandOutline& command) {
    out.append("            case $prev in\n");
    for (const OptionOutline& option : command.options) {
        if (option.kind == ValueKind::none) continue;
        out.append("                ").append(joined(option.names, "|")).append(") ");
        out.append(bash_value_reply(option.kind, option.choices)).append("; return ;;\n");
    }
    out.append("            esac\n");
}

// Positionals: the choices of the first one that has any, else files.
std::string bash_positional_reply(const CommandOutline& command) {
    for (const PositionalOutline& positional : command.positionals) {
        if (positional.kind == ValueKind::choice)
            return bash_value_reply(positional.kind, positional.choices);
    }
    return command.positionals.empty() ? "COMPREPLY=()" : "_velbrin_reply -f --";
}

void append_bash_command(std::string& out, const CommandOutline& command, bool top) {
    out.append("        ").append(top ? "\"\"" : command.name).append(")\n");
    append_bash_values(out, command);
    out.append("            options=").append(single_quoted(joined(option_names(command))));
    out.append("\n            words=");
    if (top) {
        out.append(single_quoted(joined(subcommand_names(command)))).append(" ;;\n");
    } else {
        out.append("''\n            [[ $cur == -* ]] || { ")
            .append(bash_positional_reply(command))
            .append("; return; } ;;\n");
    }
}

std::string bash_script(const CommandOutline& command) {
    std::string out;
    out.append("# bash completion for ").append(command.name).append("\n\n");
    out.append(
        "_velbrin_reply() {\n"
        "    mapfile -t COMPREPLY < <(compgen \"$@\" \"$cur\")\n"
        "}\n\n"
        "_velbrin() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev='' command='' options words i\n"
        "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    # --option=value: bash splits the word at '='\n"
        "    if [[ $cur == = ]]; then\n"
        "        cur=''\n"
        "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
        "        prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
        "    fi\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        case ${COMP_WORDS[i]} in\n");
    const std::vector<std::string> subcommands = subcommand_names(command);
    if (!subcommands.empty()) {
        out.append("            ").append(joined(subcommands, "|"));
        out.append(") command=${COMP_WORDS[i]}; break ;;\n");
    }
    out.append(
        "        esac\n"
        "    done\n"
        "    case $command in\n");
    append_bash_command(out, command, true);
    for (const CommandOutline& sub : command.subcommands) append_bash_command(out, sub, false);
    out.append(
        "    esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        _velbrin_reply -W \"$options\" --\n"
        "    else\n"
        "        _velbrin_reply -W \"$words\" --\n"
        "    fi\n"
        "}\n\n"
        "complete -o filenames -F _velbrin ");
    out.append(command.name).append("\n");
    return out;
}

// ---- zsh: _arguments for each subcommand.

// Text inside an _arguments description: brackets and colons would end it.
std::string zsh_escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') escaped.push_back('\\');
        escaped.push_back(c);
    }
    return escaped;
}

std::string zsh_action(ValueKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::choice: return "(" + joined(choices) + ")";
        case ValueKind::directory: return "_files -/";
        case ValueKind::file: return "_files";
        case ValueKind::none:
        case ValueKind::text: break;
    }
    return " ";
}

std::string zsh_option_argument(const OptionOutline& option) {
    std::string argument;
    if (option.names.size() > 1) argument.append("(" + joined(option.names) + ")");
    argument.append(option.names.size() > 1 ? "{" + joined(option.names, ",") + "}"
                                            : option.names[0]);
    argument.append("[" + zsh_escaped(option.description) + "]");
    if (option.kind != ValueKind::none) {
        argument.append(":" + zsh_escaped(option.value_name) + ":" +
                        zsh_action(option.kind, option.choices));
    }
    return argument;
}

// The {-o,--output} brace list must stay outside the quotes.
std::string zsh_quoted_argument(const OptionOutline& option) {
    if (option.names.size() == 1) return single_quoted(zsh_option_argument(option));
    const std::string exclusion = "(" + joined(option.names) + ")";
    OptionOutline alone = option;
    alone.names.resize(1);
    std::string rest = zsh_option_argument(alone).substr(option.names[0].size());
    return single_quoted(exclusion) + "{" + joined(option.names, ",") + "}" + single_quoted(rest);
}

void append_zsh_arguments(std::string& out, const CommandOutline& command, std::string_view indent,
                          std::string_view flags = "-s -S") {
    out.append(indent).append("_arguments ").append(flags);
    for (const OptionOutline& option : command.options)
        out.append(" \\\n").append(indent).append("    ").append(zsh_quoted_argument(option));
    std::size_t position = 1;
    for (const PositionalOutline& positional : command.positionals) {
        const std::string place = positional.repeated ? "*" : std::to_string(position++);
        out.append(" \\\n").append(indent).append("    ");
        out.append(single_quoted(place + ":" + zsh_escaped(positional.name) + ":" +
                                 zsh_action(positional.kind, positional.choices)));
        if (positional.repeated) break;
    }
}

std::string zsh_script(const CommandOutline& command) {
    std::string out;
    out.append("#compdef ").append(command.name).append("\n\n_velbrin() {\n");
    out.append("    local context state state_descr line\n    typeset -A opt_args\n");
    CommandOutline top = command;
    top.positionals.clear();
    append_zsh_arguments(out, top, "    ", "-C -s -S");
    out.append(" \\\n        '1:command:->command' \\\n        '*::argument:->argument'\n");
    out.append("    case $state in\n        command)\n            local -a commands=(\n");
    for (const CommandOutline& sub : command.subcommands) {
        out.append("                ")
            .append(single_quoted(sub.name + ":" + sub.description))
            .append("\n");
    }
    out.append(
        "            )\n            _describe -t commands 'velbrin command' commands ;;\n"
        "        argument)\n            case $words[1] in\n");
    for (const CommandOutline& sub : command.subcommands) {
        out.append("                ").append(sub.name).append(")\n");
        append_zsh_arguments(out, sub, "                    ");
        out.append(" ;;\n");
    }
    out.append("            esac ;;\n    esac\n}\n\n_velbrin \"$@\"\n");
    return out;
}

// ---- fish: one `complete` line per subcommand, option and value list.

std::string fish_option_line(const std::string& program, const std::string& condition,
                             const OptionOutline& option) {
    std::string line = "complete -c " + program + " -n " + single_quoted(condition);
    for (const std::string& name : option.names) {
        line.append(name.starts_with("--") ? " -l " + name.substr(2) : " -s " + name.substr(1));
    }
    switch (option.kind) {
        case ValueKind::choice:
            line.append(" -x -a " + single_quoted(joined(option.choices)));
            break;
        case ValueKind::directory: line.append(" -x -a '(__fish_complete_directories)'"); break;
        case ValueKind::file: line.append(" -r -F"); break;
        case ValueKind::text: line.append(" -x"); break;
        case ValueKind::none: break;
    }
    return line + " -d " + single_quoted(option.description) + "\n";
}

std::string fish_script(const CommandOutline& command) {
    const std::string& program = command.name;
    std::string out = "# fish completion for " + program + "\n\ncomplete -c " + program + " -f\n";
    for (const OptionOutline& option : command.options)
        out.append(fish_option_line(program, "__fish_use_subcommand", option));
    for (const CommandOutline& sub : command.subcommands) {
        out.append("complete -c " + program + " -n __fish_use_subcommand -a " + sub.name + " -d " +
                   single_quoted(sub.description) + "\n");
    }
    for (const CommandOutline& sub : command.subcommands) {
        const std::string condition = "__fish_seen_subcommand_from " + sub.name;
        for (const OptionOutline& option : sub.options)
            out.append(fish_option_line(program, condition, option));
        for (const PositionalOutline& positional : sub.positionals) {
            out.append("complete -c " + program + " -n " + single_quoted(condition));
            out.append(positional.kind == ValueKind::choice
                           ? " -a " + single_quoted(joined(positional.choices))
                           : std::string(" -F"));
            out.append("\n");
            break;  // the first positional tells what the arguments are
        }
    }
    return out;
}

}  // namespace

std::string completion_script(Shell shell, const CommandOutline& command) {
    switch (shell) {
        case Shell::bash: return bash_script(command);
        case Shell::zsh: return zsh_script(command);
        case Shell::fish: return fish_script(command);
    }
    return {};
}

}  // namespace velbrin::cli
