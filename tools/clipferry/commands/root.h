// The root of the command line: every subcommand with its options in one
// CLI11 app, --version, --help, help, completion, and the usage errors.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/options.h"

namespace clipferry::cli {

// versionText: what --version prints.
ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText = "clipferry");

// What is wrong with arguments that parsed, naming the argument; empty when
// nothing is. Looks at the file system for the upload's files. `user`: the
// user name in effect, from the flag, the environment or config.toml.
std::optional<std::string> findBadArgument(const Options& options, const std::string& user);

}  // namespace clipferry::cli
