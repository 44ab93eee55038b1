// The files a folder given to `upload` stands for: its regular files (and,
// with --recursive, its subfolders'), in name order, hidden ones left out;
// later narrowed to the types the service accepts.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "options.h"

namespace clipferry::cli {

struct FolderFiles {
    std::vector<std::string> files;       // the arguments, each folder replaced by its files
    std::set<std::string> fromFolders;    // the files that came from a folder
    std::vector<std::string> warnings;    // a folder with no files, one that cannot be read
};

// Files given by name stay as they are, in their place.
FolderFiles expandFolders(const std::vector<std::string>& arguments, bool recursive);

// The jobs without the folder files whose type the service does not accept:
// a folder holds notes and thumbnails beside the videos, and naming them all
// would bury the point. Files named on the command line are kept, for the
// checks to refuse.
std::vector<UploadJob> withAcceptedTypes(const std::vector<UploadJob>& jobs,
                                         const std::set<std::string>& fromFolders,
                                         const std::string& fileTypes);

}  // namespace clipferry::cli
