// Walks the folders given to `upload`; the file types come from preflight.
#include "commands/upload/folder_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "commands/upload/preflight.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {
bool hidden(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name[0] == '.';
}

template <typename Iterator>
std::vector<std::string> regularFiles(Iterator walk, std::error_code& error,
                                      std::vector<LeftOut>& leftOut) {
    constexpr bool recursive = std::is_same_v<Iterator, fs::recursive_directory_iterator>;
    std::vector<std::string> files;
    for (auto end = Iterator(); !error && walk != end; walk.increment(error)) {
        const fs::directory_entry& entry = *walk;
        std::error_code typeError;
        const bool folder = entry.is_directory(typeError);
        if (hidden(entry.path())) {
            if constexpr (recursive) {
                if (folder) walk.disable_recursion_pending();
            }
            leftOut.push_back({entry.path().string(), folder ? "a hidden folder" : "hidden"});
            continue;
        }
        if (entry.is_regular_file(typeError)) {
            files.push_back(entry.path().string());
        } else if (folder && !recursive) {
            leftOut.push_back({entry.path().string(), "a folder (--recursive goes into it)"});
        } else if (!folder) {
            leftOut.push_back({entry.path().string(), "not a regular file"});
        }
    }
    return files;
}
}  // namespace

FolderFiles expandFolders(const std::vector<std::string>& arguments, bool recursive) {
    FolderFiles result;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (!fs::is_directory(argument, error)) {
            result.files.push_back(argument);
            continue;
        }
        const auto options = fs::directory_options::skip_permission_denied;
        std::vector<std::string> files =
            recursive ? regularFiles(fs::recursive_directory_iterator(argument, options, error),
                                     error, result.leftOut)
                      : regularFiles(fs::directory_iterator(argument, options, error), error,
                                     result.leftOut);
        if (error) {
            result.warnings.push_back(argument + ": the folder cannot be read in full: " +
                                      error.message());
        }
        if (files.empty() && !error) {
            result.warnings.push_back(argument + ": the folder holds no files" +
                                      (recursive ? "" : " (--recursive looks in its subfolders)"));
        }
        std::sort(files.begin(), files.end());
        for (std::string& file : files) {
            result.fromFolders.insert(file);
            result.files.push_back(std::move(file));
        }
    }
    return result;
}

std::vector<UploadJob> withAcceptedTypes(const std::vector<UploadJob>& jobs,
                                         const std::set<std::string>& fromFolders,
                                         const std::string& fileTypes,
                                         std::vector<LeftOut>* leftOut) {
    std::vector<UploadJob> kept;
    for (const UploadJob& job : jobs) {
        if (fromFolders.count(job.file) == 0 || matchesFileTypes(job.file, fileTypes)) {
            kept.push_back(job);
        } else if (leftOut) {
            leftOut->push_back({job.file, "not a type the service accepts"});
        }
    }
    return kept;
}

std::string leftOutLine(const LeftOut& entry) {
    return "left out " + entry.path + ": " + entry.reason;
}

}  // namespace clipferry::cli
