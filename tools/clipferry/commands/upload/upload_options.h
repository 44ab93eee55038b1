// `upload`'s flags: their table entries, what they give once parsed, and the
// checks of the files they name that must pass before anything is read.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"

namespace clipferry::cli {

// The upload's flags as given, before they become the command line's UploadFields.
struct UploadFlags {
    std::string title, description, tags;
    int32_t category = 0, category2 = 0, category3 = 0, moderator = 0;
    std::vector<CLI::Option*> titleDescriptionTags, categories;
    CLI::Option* moderatorOption = nullptr;
    std::string limitRate, stallTimeout;
    // Options that cannot be given together, said by the command rather than by CLI11.
    std::vector<std::pair<const CLI::Option*, const CLI::Option*>> exclusive;
};

void addUploadOptions(CLI::App& upload, UploadOptions& options, UploadFlags& flags);

// Only the flags given speak; any --categoryN gives the three categories together.
UploadFields givenFields(const UploadFlags& flags);

// The rate and the stall timeout as numbers, into `options`.
void takeUploadValues(const UploadFlags& flags, UploadOptions& options);

// The --description-file and --meta files: named, there, regular and readable,
// and standard input not promised to the password too. Empty when all is well.
std::optional<std::string> findBadUploadArgument(const UploadOptions& upload, bool passwordFromStdin);

}  // namespace clipferry::cli
