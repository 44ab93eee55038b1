// Helpers over the CLI11 table of options and subcommands: value checks in
// the command's words, and reading the table for the command words and the
// options that take a value, so no list of them is kept by hand.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace clipferry::cli {

// An option's value checked before CLI11 converts it, so a mistake is said in
// the command's words: "--retry wants a whole number from 0 to 100, not 'abc'".
CLI::Validator wholeNumber(long lowest, long highest);

// A check that `accepts` the text, else says "wants WANTED, not 'TEXT'".
CLI::Validator wants(const std::string& wanted, bool (*accepts)(const std::string& text));

// The command words, in the order the app was given them.
std::vector<std::string> commandNames(const CLI::App& app);

// "login, file-types, ... and completion": every command, for the messages that list them.
std::string commandList(const CLI::App& app);

// The option's words as it was typed, without a value glued on with '='
// (which could be a password given by mistake).
std::string optionWord(const std::string& argument);

// Whether the option takes a value (a flag takes none).
bool takesValue(const CLI::Option& option);

// Whether `argument` is an option of `app` that takes a value, so a scan of
// the words can step over that value.
bool takesValue(const CLI::App& app, const std::string& argument);

// The subcommand the command line names, if any, for the hint after a mistake.
std::string subcommandOf(const CLI::App& app, int argc, const char* const* argv);

// An option of the whole command that it does not know, given before any
// command word: the parser would speak of the missing command first.
std::optional<std::string> unknownLeadingOption(const CLI::App& app, int argc, const char* const* argv);

// The first word that is not an option or an option's value, if it names no subcommand.
std::optional<std::string> unknownSubcommand(const CLI::App& app, int argc, const char* const* argv);

}  // namespace clipferry::cli
