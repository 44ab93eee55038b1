// The checks before sending: pure functions of the upload's fields, the file
// system and the lists the service gave once for the run.
#include "commands/upload/preflight.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>

#include <clipferry-common/form_rules.h>

#include "commands/upload/metadata.h"
#include "commands/upload/folder_files.h"
#include "text/text.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {

// Long lists are cut here; the listing commands show them whole.
constexpr size_t kChoicesShown = 12;

std::string join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string listChoices(const std::vector<Choice>& choices) {
    std::vector<std::string> shown;
    for (size_t i = 0; i < choices.size() && i < kChoicesShown; ++i) {
        shown.push_back(std::to_string(choices[i].id) + " " + choices[i].name);
    }
    std::string text = join(shown);
    if (choices.size() > kChoicesShown) {
        text += " and " + std::to_string(choices.size() - kChoicesShown) + " more";
    }
    return text;
}

bool listed(const std::vector<Choice>& choices, int32_t id) {
    for (const Choice& choice : choices) {
        if (choice.id == id) return true;
    }
    return false;
}

void flattenInto(const std::vector<Category>& level, std::vector<Choice>& out) {
    for (const Category& category : level) {
        out.push_back({category.id, category.name});
        flattenInto(category.children, out);
    }
}

}  // namespace

std::vector<Choice> flattenCategories(const std::vector<Category>& tree) {
    std::vector<Choice> choices;
    flattenInto(tree, choices);
    return choices;
}

std::vector<std::string> checkFile(const std::string& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status)) return {file + ": no such file"};
    if (!fs::is_regular_file(status)) return {file + ": not a regular file"};
    if (!std::ifstream(file, std::ios::binary)) return {file + ": cannot be read"};
    std::vector<std::string> problems;
    if (fileSizeOrZero(file) == 0) problems.push_back(file + ": the file is empty; there is nothing to upload");
    // The name goes out with the file, and the service echoes it in its verdict.
    if (rules::hasControlCharacter(fs::path(file).filename().string())) {
        problems.push_back(file + ": the file's name holds a control character, which the service "
                                  "cannot take; rename the file");
    }
    return problems;
}

std::vector<std::string> checkFields(const UploadJob& upload) {
    std::vector<std::string> problems;
    const VideoFields& fields = upload.fields;
    if (fields.title.empty()) {
        problems.push_back("--title: the title is empty");
    } else if (rules::isBlank(fields.title)) {
        problems.push_back("--title: the title is only blanks; give it words");
    }
    if (fields.category == 0) {
        problems.push_back("--category: no category; give one (see clipferry categories), "
                           "or \"categories\" in the --meta file or config.toml");
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"--title", &fields.title}, {"--description", &fields.description}, {"--tags", &fields.tags}};
    for (const auto& [flag, text] : texts) {
        // A title taken from the file's name is said against the name, by checkFile.
        const bool fileName = text == &fields.title && *text == fs::path(upload.file).stem().string();
        // Stricter than the library, which refuses only what its request
        // cannot carry and so sends a tab in a title, and DEL or a C1 control
        // in any text: a name, the title and the tags are shown again on one
        // line (the verdict, the history, the progress line), where those act
        // on the terminal. Only the description may hold tabs and line breaks.
        if (!fileName && rules::hasControlCharacter(*text, text == &fields.description)) {
            problems.push_back(std::string(flag) + ": holds a control character (" + visible(*text) +
                               "), which the service cannot take" +
                               (text == &fields.description ? " (tabs and line breaks are fine)" : ""));
        }
        if (text->size() > rules::kMostFieldBytes) {
            problems.push_back(std::string(flag) + ": " + std::to_string(text->size()) +
                               " bytes, more than the " + std::to_string(rules::kMostFieldBytes) +
                               " the service takes; shorten it");
        }
    }
    return problems;
}

std::vector<std::string> checkAgainstService(const UploadJob& upload, const ServiceLists& lists) {
    std::vector<std::string> problems;
    // Without a list from the service there is nothing to hold the file against.
    const std::vector<std::string> accepted = rules::splitFileTypes(lists.fileTypes);
    if (!accepted.empty() && !rules::matchesFileTypes(fs::path(upload.file).filename().string(), accepted)) {
        problems.push_back(upload.file + ": not a file type the service accepts; it accepts " + join(accepted));
    }
    const VideoFields& fields = upload.fields;
    const std::pair<const char*, int32_t> categories[] = {
        {"--category", fields.category}, {"--category2", fields.category2}, {"--category3", fields.category3}};
    for (const auto& [flag, id] : categories) {
        if (id == 0 || lists.categoriesInPart || listed(lists.categories, id)) continue;
        const std::string problem = std::string(flag) + " " + std::to_string(id) + ": no such category; ";
        problems.push_back(problem + (lists.categories.empty()
                                          ? "the service lists no categories"
                                          : "choose one of: " + listChoices(lists.categories)));
    }
    if (fields.moderator != 0) {
        const std::string problem = "--moderator " + std::to_string(fields.moderator) + ": ";
        if (!lists.moderators) {
            problems.push_back(problem + "this account may not choose a moderator; give --moderator 0 for none");
        } else if (lists.moderators->empty()) {
            problems.push_back(problem + "the service lists no moderators for this account; give --moderator 0 for none");
        } else if (!listed(*lists.moderators, fields.moderator)) {
            problems.push_back(problem + "not one of your moderators; choose one of: " +
                               listChoices(*lists.moderators) + ", or 0 for none");
        }
    }
    return problems;
}

namespace {
// Each job's problems from `check`; in a batch a flag's problem says which file it belongs to.
template <typename Check>
std::vector<std::string> problemsOfEach(const std::vector<UploadJob>& jobs, const Check& check) {
    std::vector<std::string> problems;
    for (const UploadJob& job : jobs) {
        for (const std::string& problem : check(job)) {
            const bool namesFile = problem.rfind(job.file + ":", 0) == 0;
            problems.push_back(jobs.size() > 1 && !namesFile ? job.file + ": " + problem : problem);
        }
    }
    return problems;
}
}  // namespace

std::vector<std::string> localProblems(const std::vector<UploadJob>& jobs) {
    return problemsOfEach(jobs, [](const UploadJob& job) {
        std::vector<std::string> found = checkFile(job.file);
        const std::vector<std::string> fields = checkFields(job);
        found.insert(found.end(), fields.begin(), fields.end());
        return found;
    });
}

std::vector<std::string> serviceProblems(const std::vector<UploadJob>& jobs, const ServiceLists& lists) {
    return problemsOfEach(jobs, [&](const UploadJob& job) { return checkAgainstService(job, lists); });
}

std::vector<UploadJob> withoutRepeats(const std::vector<UploadJob>& jobs,
                                      std::vector<std::string>& warnings) {
    // A file is known by its device and inode (one file under two names or
    // hard links counts once); one that cannot be looked at, by its path.
    std::set<std::pair<dev_t, ino_t>> seenFiles;
    std::set<std::string> seenPaths;
    std::vector<UploadJob> kept;
    for (const UploadJob& job : jobs) {
        struct stat info {};
        const bool first = stat(job.file.c_str(), &info) == 0
                               ? seenFiles.emplace(info.st_dev, info.st_ino).second
                               : seenPaths.insert(fs::path(job.file).lexically_normal().string()).second;
        if (!first) {
            warnings.push_back(job.file + ": given more than once; it is sent once");
            continue;
        }
        kept.push_back(job);
    }
    return kept;
}

}  // namespace clipferry::cli
