// `clipferry config`: the settings in effect, where each came from, and
// whether a password is remembered.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int configCommand(Context& context);

}  // namespace clipferry::cli
