// `clipferry logout`: forgets the password kept in the keyring; needs no login.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int logoutCommand(Context& context);

}  // namespace clipferry::cli
