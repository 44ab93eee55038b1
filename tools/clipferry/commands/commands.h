// Every command that runs once parsed, in the order the help lists them.
#pragma once

#include <vector>

#include "app/command_entry.h"

namespace clipferry::cli {

const std::vector<CommandEntry>& commandTable();

}  // namespace clipferry::cli
