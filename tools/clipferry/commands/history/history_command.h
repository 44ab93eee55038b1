// `clipferry history`: the ledger's entries, oldest first, as text or JSON.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int historyCommand(Context& context);

}  // namespace clipferry::cli
