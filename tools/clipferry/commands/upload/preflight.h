// Checks made before any byte of a file is sent: the file itself, the fields'
// sizes, and the file type, categories and moderator against the service's
// lists. Each problem is one line saying what is wrong and what would do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <clipferry-common/file_types.h>

#include "commands/category_tree.h"
#include "commands/upload/upload_fields.h"

namespace clipferry::cli {

// A category or moderator as the user picks it: its id and a name to show.
struct Choice {
    int32_t id = 0;
    std::string name;
};

// The service's lists, fetched once per run.
struct ServiceLists {
    std::string fileTypes;         // as the service gives it: "*.mp4;*.mov;*.avi"
    std::vector<Choice> categories;  // every level; see flattenCategories
    // Empty when the account may not choose a moderator (the list call gave 82).
    std::optional<std::vector<Choice>> moderators;
    // The walk stopped at its cap: a category not listed may still exist, and
    // the service is left to judge it.
    bool categoriesInPart = false;
};

// The tree in listing order, parents before their children.
std::vector<Choice> flattenCategories(const std::vector<Category>& tree);

// The file exists, is a regular file, is not empty and its name holds no
// control character.
std::vector<std::string> checkFile(const std::string& file);

// A title with more than blanks and a first category are given, no text
// holds a control character (the description may hold tabs and line breaks:
// the command's own rule, stricter than the library's, which sends a tab in a
// title) and none is longer than the library sends.
std::vector<std::string> checkFields(const UploadJob& upload);

// The file's type, the non-zero category ids and the moderator against the lists.
std::vector<std::string> checkAgainstService(const UploadJob& upload, const ServiceLists& lists);

// What is wrong with the files and their fields themselves (checkFile,
// checkFields): known before the login, and the same with --no-check. In a
// batch each problem names its file.
std::vector<std::string> localProblems(const std::vector<UploadJob>& jobs);

// What is wrong with the files against the service's lists, each naming its
// file in a batch.
std::vector<std::string> serviceProblems(const std::vector<UploadJob>& jobs, const ServiceLists& lists);

// The jobs with each file once, in the order first given (the same file
// under two names counts once); a warning per repeat.
std::vector<UploadJob> withoutRepeats(const std::vector<UploadJob>& jobs,
                                      std::vector<std::string>& warnings);

}  // namespace clipferry::cli
