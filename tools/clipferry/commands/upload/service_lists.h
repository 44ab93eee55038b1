// The service's lists an upload is checked against, asked for only when a
// file needs them, and kept ones used first.
#pragma once

#include <string>
#include <vector>

#include "app/context.h"
#include "commands/upload/list_cache.h"
#include "commands/upload/preflight.h"
#include "service/service.h"

namespace clipferry::cli {

// The accepted file types: kept ones when the cache has them (unless
// `fresh`), else the service's. Gives the exit status; a failure is said.
int fetchFileTypes(const Context& context, Service& service, ListCache& cache, std::string& fileTypes,
                   bool fresh = false);

// Each list asked for once, and only when some job has something to hold
// against it. Gives the exit status; a failure is said.
int fetchServiceLists(const Context& context, Service& service, const std::vector<UploadJob>& jobs,
                      ServiceLists& lists, ListCache& cache);

}  // namespace clipferry::cli
