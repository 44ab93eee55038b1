// Runs one parsed command line: reads the configuration file and resolves the
// settings into the context, then hands it to the command; gives the exit status.
#pragma once

#include "app/command_spec.h"

namespace clipferry::cli {

int runCommand(Context& context, const ParsedCommand& command);

}  // namespace clipferry::cli
