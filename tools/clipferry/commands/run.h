// Runs one parsed command line: reads the configuration file and resolves the
// settings into the context, then hands it to the command; gives the exit status.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int runCommand(Context& context);

}  // namespace clipferry::cli
