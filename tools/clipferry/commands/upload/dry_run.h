// What --dry-run shows: per file, everything the service would be told, with
// the names of the categories and the moderator from the service's lists.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "commands/upload/upload_fields.h"
#include "commands/upload/preflight.h"

namespace clipferry::cli {

// A block per file: its size, title, the description's first line, tags,
// categories and moderator with their names, and why the real run would
// fail it alone (a name that is not UTF-8); then "nothing was sent".
std::string renderDryRun(const std::vector<UploadJob>& jobs, const ServiceLists& lists);

// {"ok", "dry_run", "uploads": [{"file", "bytes", "title", "description",
// "tags", "categories": [{"id", "name"}], "moderator": {"id", "name"} or null,
// and "would_fail" with the reason when the real run would fail it}]}
nlohmann::ordered_json dryRunJson(const std::vector<UploadJob>& jobs, const ServiceLists& lists);

}  // namespace clipferry::cli
