#include "cli/command_outline.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string_view>

#include "genetic_code/genetic_code.hpp"

namespace velbrin::cli {
namespace {

// The genetic code's number is checked by the core (its report lists the supported ones),
// so the option carries no validator to read them from.
constexpr std::string_view kTableOption = "table";

std::vector<std::string> table_numbers() {
    std::vector<std::string> numbers;
    numbers.reserve(codon::NCBI_TABLES.size());
    for (const codon::NcbiTable& table : codon::NCBI_TABLES)
        numbers.push_back(std::to_string(table.number));
    return numbers;
}

// Choices are shown as "id|order" (the type name the option was given).
std::vector<std::string> split_choices(std::string_view listed) {
    std::vector<std::string> choices;
    if (listed.find('|') == std::string_view::npos) return choices;
    while (true) {
        const std::size_t bar = listed.find('|');
        choices.emplace_back(listed.substr(0, bar));
        if (bar == std::string_view::npos) break;
        listed.remove_prefix(bar + 1);
    }
    return choices;
}

bool is_flag(const CLI::Option& option) { return option.get_items_expected_max() == 0; }

// What the help shows after the option: "DIR" where the option was given that text.
std::string value_name(const CLI::Option& option) {
    const std::string& text = option.get_option_text();
    return text.empty() ? option.get_type_name() : text;
}

ValueKind kind_of_value(std::string_view value_name, const std::vector<std::string>& choices) {
    if (!choices.empty()) return ValueKind::choice;
    if (value_name.starts_with("DIR")) return ValueKind::directory;
    if (value_name.starts_with("FILE")) return ValueKind::file;
    return ValueKind::text;
}

OptionOutline outline_option(const CLI::Option& option) {
    OptionOutline outline;
    for (const std::string& name : option.get_snames()) outline.names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) outline.names.push_back("--" + name);
    outline.description = option.get_description();
    if (is_flag(option)) return outline;
    outline.value_name = value_name(option);
    outline.default_value = option.get_default_str();
    const auto& long_names = option.get_lnames();
    if (std::find(long_names.begin(), long_names.end(), kTableOption) != long_names.end()) {
        outline.choices = table_numbers();
    } else {
        outline.choices = split_choices(outline.value_name);
    }
    outline.kind = kind_of_value(outline.value_name, outline.choices);
    return outline;
}

PositionalOutline outline_positional(const CLI::Option& option) {
    PositionalOutline outline;
    outline.name = option.get_name(true);
    outline.description = option.get_description();
    outline.choices = split_choices(option.get_type_name());
    outline.kind = outline.choices.empty() ? ValueKind::file : ValueKind::choice;
    outline.repeated = option.get_items_expected_max() > 1;
    outline.required = option.get_required();
    return outline;
}

}  // namespace

CommandOutline outline_command(const CLI::App& app) {
    CommandOutline outline;
    outline.name = app.get_name();
    outline.description = app.get_description();
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty()) continue;  // hidden
        if (option->get_positional() && !option->nonpositional()) {
            outline.positionals.push_back(outline_positional(*option));
        } else {
            outline.options.push_back(outline_option(*option));
        }
    }
    const auto listed = [](const CLI::App* sub) {
        return !sub->get_name().empty() && !sub->get_group().empty();
    };
    for (const CLI::App* sub : app.get_subcommands(listed))
        outline.subcommands.push_back(outline_command(*sub));
    return outline;
}

}  // namespace velbrin::cli
