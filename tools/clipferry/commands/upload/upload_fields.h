// What `upload` was given: the fields of a video from one source, and the
// options of the whole batch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/service.h"  // UploadJob: the fields merged, as they are sent

namespace clipferry::cli {

// The fields of a video as one source (the command line, a --meta entry, the
// configuration) gives them, each empty when that source is silent.
// Categories are one setting: up to three ids, given together.
struct UploadFields {
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> tags;  // words separated by single spaces
    std::optional<std::vector<int32_t>> categories;
    std::optional<int32_t> moderator;
};

// What `upload` was given; the same for every file of the batch.
struct UploadOptions {
    std::vector<std::string> files;
    UploadFields fields;          // the flags given; any --categoryN gives all three
    std::string descriptionFile;  // "-" for standard input
    std::string metaFile;         // --meta: per-file fields in JSON
    bool noCheck = false;         // skip the checks against the service's lists
    bool dryRun = false;          // check and show, send nothing
    bool again = false;           // send files the ledger says were sent before
    bool noLedger = false;        // neither read nor write the ledger
    bool recursive = false;       // a folder's subfolders too
    bool refresh = false;         // ask for the service's lists, not the kept ones
    double limitRate = 0;         // --limit-rate in bytes per second; 0: as fast as it goes
    double stallTimeout = 0;      // --stall-timeout in seconds; 0: the library's own limit
};

}  // namespace clipferry::cli
