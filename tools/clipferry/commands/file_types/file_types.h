// `clipferry file-types`: the file types the service accepts, one a line.
#pragma once

#include "app/context.h"

namespace clipferry::cli {

int fileTypesCommand(Context& context);

}  // namespace clipferry::cli
