// `clipferry upload`: the jobs from the flags, --meta and folders, the checks,
// the login, then the batch (or the dry run's account of it).
#pragma once

#include "app/context.h"
#include "commands/upload/upload_options.h"

namespace clipferry::cli {

int uploadCommand(Context& context, const UploadFlags& flags);

}  // namespace clipferry::cli
