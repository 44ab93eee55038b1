// The files a folder given to `upload` stands for: its regular files (and,
// with --recursive, its subfolders'), in name order, hidden ones left out;
// later narrowed to the types the service accepts.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "commands/upload/upload_fields.h"

namespace clipferry::cli {

// A file or folder inside a given folder that is not sent, and why; each is
// counted, so nothing the user expected to go out is dropped in silence.
struct LeftOut {
    // In the order the count names them.
    enum class Kind { Folder, HiddenFolder, Hidden, NotRegular, OtherType };
    std::string path;
    std::string reason;  // "hidden", "not a type the service accepts", ...
    Kind kind = Kind::OtherType;
};

struct FolderFiles {
    std::vector<std::string> files;       // the arguments, each folder replaced by its files
    std::set<std::string> fromFolders;    // the files that came from a folder
    std::vector<std::string> warnings;    // a folder with no files, one that cannot be read
    std::vector<LeftOut> leftOut;         // hidden entries, subfolders without --recursive, ...
};

// Files given by name stay as they are, in their place.
FolderFiles expandFolders(const std::vector<std::string>& arguments, bool recursive);

// The jobs without the folder files whose type the service does not accept,
// each of those added to `leftOut`. Files named on the command line are kept,
// for the checks to refuse.
std::vector<UploadJob> withAcceptedTypes(const std::vector<UploadJob>& jobs,
                                         const std::set<std::string>& fromFolders,
                                         const std::string& fileTypes,
                                         std::vector<LeftOut>* leftOut = nullptr);

// "left out day1/notes.txt: not a type the service accepts"
std::string leftOutLine(const LeftOut& entry);

// "2 left out: a folder and a file of another type; --verbose names them";
// empty when nothing is left out.
std::string leftOutCount(const std::vector<LeftOut>& leftOut);

// A file's size in bytes; 0 when it cannot be measured.
uint64_t fileSizeOrZero(const std::string& file);

}  // namespace clipferry::cli
