#include "cli/man_page.hpp"

#include <cctype>

namespace velbrin::cli {
namespace {

constexpr std::string_view kExitStatus =
    ".SH \"EXIT STATUS\"\n"
    ".TP\n0\nSuccess (for batch: every family aligned or was skipped).\n"
    ".TP\n1\nAn alignment or input failure; the report is on standard error.\n"
    ".TP\n2\nA usage error.\n"
    ".TP\n130\nInterrupted (128 and the signal's number).\n";

// Text as roff shows it: backslashes and hyphens escaped, no line taken for a request.
std::string roff(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    bool line_start = true;
    for (const char c : text) {
        if (line_start && (c == '.' || c == '\'')) escaped.append("\\&");
        if (c == '\\') {
            escaped.append("\\e");
        } else if (c == '-') {
            escaped.append("\\-");
        } else {
            escaped.push_back(c);
        }
        line_start = c == '\n';
    }
    return escaped;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

void append_option(std::string& out, const OptionOutline& option) {
    out.append(".TP\n");
    for (std::size_t i = 0; i < option.names.size(); ++i) {
        out.append(i == 0 ? "" : ", ").append("\\fB").append(roff(option.names[i])).append("\\fR");
    }
    if (!option.value_name.empty())
        out.append(" \\fI").append(roff(option.value_name)).append("\\fR");
    out.append("\n").append(roff(option.description));
    if (!option.default_value.empty())
        out.append(" (default: ").append(roff(option.default_value)).append(")");
    out.append("\n");
}

void append_positional(std::string& out, const PositionalOutline& positional) {
    out.append(".TP\n\\fI").append(roff(positional.name)).append("\\fR");
    if (positional.repeated) out.append("...");
    out.append("\n").append(roff(positional.description)).append("\n");
}

void append_synopsis(std::string& out, std::string_view program, const CommandOutline& command) {
    out.append(".PP\n\\fB").append(roff(program)).append(" ").append(roff(command.name));
    out.append("\\fR");
    for (const PositionalOutline& positional : command.positionals) {
        out.append(positional.required ? " \\fI" : " [\\fI").append(roff(positional.name));
        out.append("\\fR").append(positional.repeated ? "..." : "");
        out.append(positional.required ? "" : "]");
    }
    out.append(" [\\fIoptions\\fR]\n");
}

void append_subcommand(std::string& out, std::string_view program, const CommandOutline& command) {
    out.append(".SS \"")
        .append(roff(program))
        .append(" ")
        .append(roff(command.name))
        .append("\"\n");
    out.append(roff(command.description)).append("\n");
    append_synopsis(out, program, command);
    for (const PositionalOutline& positional : command.positionals)
        append_positional(out, positional);
    for (const OptionOutline& option : command.options) append_option(out, option);
}

}  // namespace

std::string man_page(const CommandOutline& command, std::string_view version) {
    const std::string& program = command.name;
    std::string out;
    out.append(".TH ").append(upper(program)).append(" 1 \"\" \"");
    out.append(roff(program)).append(" ").append(roff(version)).append("\" \"User Commands\"\n");
    out.append(".SH NAME\n").append(roff(program)).append(" \\- ");
    out.append(roff(command.description)).append("\n");
    out.append(".SH SYNOPSIS\n");
    for (const CommandOutline& sub : command.subcommands) append_synopsis(out, program, sub);
    out.append(".SH DESCRIPTION\n").append(roff(command.description)).append("\n");
    out.append("Diagnostics and reports go to standard error and carry no colour.\n");
    out.append(".SH OPTIONS\n");
    for (const OptionOutline& option : command.options) append_option(out, option);
    out.append(".SH COMMANDS\n");
    for (const CommandOutline& sub : command.subcommands) append_subcommand(out, program, sub);
    out.append(kExitStatus);
    return out;
}

}  // namespace velbrin::cli
