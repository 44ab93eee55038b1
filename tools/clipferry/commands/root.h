// The root of the command line: every subcommand with its options in one
// CLI11 app, --version, --help, help, completion, and the usage errors; then
// the run of the command it parsed (run.cpp).
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/command_entry.h"
#include "app/options.h"

namespace clipferry::cli {

struct ParseResult {
    // Empty: stop with exitStatus (help, completion or an error was printed).
    std::optional<Options> options;
    ParsedCommand command;  // the command asked for, bound to its own options
    int exitStatus = 0;
};

// versionText: what --version prints.
ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText = "clipferry");

// Runs the parsed command: reads the configuration file and resolves the
// settings into the context, then hands it to the command (commands/run.cpp).
// Gives the exit status.
int runCommand(Context& context, const ParsedCommand& command);

}  // namespace clipferry::cli
