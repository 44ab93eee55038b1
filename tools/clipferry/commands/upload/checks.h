// The one place the uploads are checked, before the first byte of any file
// goes out: every problem of every file is named, and then nothing is sent.
#pragma once

#include <string>
#include <vector>

#include "app/context.h"
#include "commands/upload/list_cache.h"
#include "commands/upload/preflight.h"
#include "service/service.h"

namespace clipferry::cli {

// Every problem at once, then nothing is sent. `local` are the files' own,
// `service` those against the service's lists; `unchecked` says why the lists
// were not held against the files when they should have been. Gives the exit status.
int reportProblems(const Context& context, const UploadOptions& upload, const std::vector<std::string>& local,
                   const std::vector<std::string>& service, const std::string& unchecked = {});

// --no-check skips the lists, for a dry run too: it shows what the real run
// would do. An empty or missing file is refused even with --no-check. Fills
// `lists` with what was asked for; gives the exit status.
int checkBeforeSending(const Context& context, const UploadOptions& upload, Service& service,
                       const std::vector<UploadJob>& jobs,
                       ServiceLists& lists, ListCache& cache);

}  // namespace clipferry::cli
