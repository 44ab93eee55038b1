// Sending one file, with its own progress line and retries; what went wrong
// is said on standard error and kept in the outcome.
#pragma once

#include <string>

#include "app/context.h"
#include "commands/upload/upload_batch.h"
#include "service/service.h"

namespace clipferry::cli {

// `place`: "2/7 " on the progress line of a batch, else empty.
UploadOutcome uploadOne(const Context& context, Service& service, const UploadJob& job,
                        const UploadLimits& limits, const std::string& place);

// A file that cannot be sent at all, such as one whose name is not UTF-8:
// it fails alone, and the rest of the batch goes on.
UploadOutcome notSendable(const Context& context, const UploadJob& job, const std::string& why);

}  // namespace clipferry::cli
