// `upload`'s flags: their table entries, what they give once parsed, and the
// checks of the files they name that must pass before anything is read.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_entry.h"
#include "commands/upload/upload_fields.h"

namespace clipferry::cli {

// The upload's flags as given, before they become its UploadOptions; each
// field is empty when its flag was not given.
struct UploadFlags {
    UploadOptions given;  // those taken as they are: the files, the yes-or-no flags
    std::optional<std::string> title, description, tags;
    std::optional<int32_t> category, category2, category3, moderator;
    std::string limitRate, stallTimeout;
};

void addUploadOptions(CLI::App& upload, UploadFlags& flags, ExclusiveOptions& exclusive);

// What the flags say: only those given speak, any --categoryN gives the three
// categories together, the rate and the stall timeout as numbers.
UploadOptions uploadOptions(const UploadFlags& flags);

// The --description-file and --meta files: named, there, regular and readable,
// and standard input not promised to the password too. Empty when all is well.
std::optional<std::string> findBadUploadArgument(const UploadOptions& upload, bool passwordFromStdin);

}  // namespace clipferry::cli
