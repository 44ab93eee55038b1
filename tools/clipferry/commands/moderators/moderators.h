// `clipferry moderators`: the moderators the account may choose.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int moderatorsCommand(Context& context);

}  // namespace clipferry::cli
