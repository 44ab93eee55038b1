// Walks the folders given to `upload`; the file types come from preflight.
#include "commands/upload/folder_files.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <utility>

#include <clipferry-common/file_types.h>

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
            leftOut.push_back({entry.path().string(), folder ? "a hidden folder" : "hidden",
                               folder ? LeftOut::Kind::HiddenFolder : LeftOut::Kind::Hidden});
            continue;
        }
        if (entry.is_regular_file(typeError)) {
            files.push_back(entry.path().string());
        } else if (folder && !recursive) {
            leftOut.push_back({entry.path().string(), "a folder (--recursive goes into it)",
                               LeftOut::Kind::Folder});
        } else if (!folder) {
            leftOut.push_back({entry.path().string(), "not a regular file", LeftOut::Kind::NotRegular});
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
    const std::vector<std::string> accepted = rules::splitFileTypes(fileTypes);
    std::vector<UploadJob> kept;
    for (const UploadJob& job : jobs) {
        if (fromFolders.count(job.file) == 0 ||
            rules::matchesFileTypes(std::filesystem::path(job.file).filename().string(), accepted)) {
            kept.push_back(job);
        } else if (leftOut) {
            leftOut->push_back({job.file, "not a type the service accepts", LeftOut::Kind::OtherType});
        }
    }
    return kept;
}

std::string leftOutLine(const LeftOut& entry) {
    return "left out " + entry.path + ": " + entry.reason;
}

std::string leftOutCount(const std::vector<LeftOut>& leftOut) {
    if (leftOut.empty()) return "";
    // Each kind as one of it, and as several.
    const std::pair<const char*, const char*> kinds[] = {
        {"a folder", " folders"},
        {"a hidden folder", " hidden folders"},
        {"a hidden file", " hidden files"},
        {"an entry that is not a regular file", " entries that are not regular files"},
        {"a file of another type", " files of other types"},
    };
    std::vector<std::string> parts;
    for (size_t kind = 0; kind < std::size(kinds); ++kind) {
        const auto count = std::count_if(leftOut.begin(), leftOut.end(), [kind](const LeftOut& entry) {
            return static_cast<size_t>(entry.kind) == kind;
        });
        if (count == 1) parts.push_back(kinds[kind].first);
        if (count > 1) parts.push_back(std::to_string(count) + kinds[kind].second);
    }
    std::string line = std::to_string(leftOut.size()) + " left out: ";
    for (size_t i = 0; i < parts.size(); ++i) {
        line += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return line + "; --verbose names " + (leftOut.size() == 1 ? "it" : "them");
}

uint64_t fileSizeOrZero(const std::string& file) {
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

}  // namespace clipferry::cli
