// `clipferry help [COMMAND]`: the same text as `--help`, for people who type
// the word first.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

namespace clipferry::cli {

// Prints the help of the whole command (topic empty) or of one subcommand;
// false when the topic names no subcommand.
bool showHelp(const CLI::App& app, const std::string& topic, std::ostream& out);

}  // namespace clipferry::cli
