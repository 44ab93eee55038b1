// `clipferry help [COMMAND]`: the same text as `--help`, for people who type
// the word first.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

namespace clipferry::cli {

// Adds the `help [COMMAND]` subcommand to `app`; the command named lands in `topic`.
CLI::App* addHelpCommand(CLI::App& app, std::string& topic);

// Prints the help of the whole command (topic empty) or of one subcommand;
// false when the topic names no subcommand.
// `width`: the terminal's columns (see wrapHelp); 0 leaves the lines as they are.
bool showHelp(const CLI::App& app, const std::string& topic, std::ostream& out, int width = 0);

// The help text with each line longer than `width` - 1 columns broken
// between words; the rest of a line goes under its description column (the
// text after the first run of two blanks), or under its own indentation.
// Width 0: unchanged, for files and pipes.
std::string wrapHelp(const std::string& text, int width);

// The columns of the terminal on `fd`; 0 when it is not one.
int helpWidth(int fd);

}  // namespace clipferry::cli
