// Reading the CLI11 table: command words, value options and value checks.
#include "app/option_table.h"

#include <algorithm>

#include "app/values.h"

namespace clipferry::cli {

CLI::Validator wholeNumber(long lowest, long highest) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (parseWholeNumber(text, lowest, highest)) return {};
            return "wants a whole number from " + std::to_string(lowest) + " to " +
                   std::to_string(highest) + ", not '" + text + "'";
        },
        "");
}

CLI::Validator wants(const std::string& wanted, bool (*accepts)(const std::string& text)) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            return accepts(text) ? "" : "wants " + wanted + ", not '" + text + "'";
        },
        "");
}

std::vector<std::string> commandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        names.push_back(sub->get_name());
    }
    return names;
}

std::string commandList(const CLI::App& app) {
    const std::vector<std::string> commands = commandNames(app);
    std::string list;
    for (size_t i = 0; i < commands.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i];
    }
    return list;
}

std::string optionWord(const std::string& argument) {
    return argument.substr(0, argument.find('='));
}

bool takesValue(const CLI::Option& option) {
    return option.get_items_expected_max() > 0;
}

bool takesValue(const CLI::App& app, const std::string& argument) {
    const CLI::Option* option = app.get_option_no_throw(argument);
    return option != nullptr && takesValue(*option);
}

std::string subcommandOf(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<std::string> commands = commandNames(app);
    for (int i = 1; i < argc; ++i) {
        if (std::find(commands.begin(), commands.end(), argv[i]) != commands.end()) return argv[i];
    }
    return {};
}

std::optional<std::string> unknownLeadingOption(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-' || argument == "--") return std::nullopt;
        const std::string word = optionWord(argument);
        if (app.get_option_no_throw(word) == nullptr) return word;
        if (word == argument && takesValue(app, word)) ++i;
    }
    return std::nullopt;
}

std::optional<std::string> unknownSubcommand(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<std::string> commands = commandNames(app);
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--") {
            return std::nullopt;
        }
        if (!argument.empty() && argument[0] == '-') {
            i += takesValue(app, argument) ? 1 : 0;
            continue;
        }
        bool known = std::find(commands.begin(), commands.end(), argument) != commands.end();
        return known ? std::nullopt : std::optional<std::string>(argument);
    }
    return std::nullopt;
}

}  // namespace clipferry::cli
