// Every command that runs once parsed, in the order the help lists them.
#pragma once

#include <vector>

#include "app/command_spec.h"

namespace clipferry::cli {

const std::vector<CommandSpec>& commandTable();

}  // namespace clipferry::cli
