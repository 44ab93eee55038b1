// Runs one parsed command line: logs in, carries out the subcommand, prints
// the outcome, and gives the exit status.
#pragma once

#include "app/options.h"

namespace clipferry::cli {

int runCommand(const Options& options);

}  // namespace clipferry::cli
