// The files a folder stands for: name order, hidden ones left out, subfolders when asked.
#include "commands/upload/folder_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

using FolderFilesTest = ScratchFolder;

TEST_F(FolderFilesTest, NameOrderHiddenLeftOutSubfoldersOnlyWhenRecursive) {
    for (const char* name : {"b.mp4", "a.mov", "notes.txt", ".hidden.mp4", "sub/c.mp4",
                             ".cache/d.mp4", "sub/deeper/e.mp4"}) {
        write(name, "video");
    }
    const std::string d = dir_.string() + "/";
    struct Row {
        bool recursive;
        std::vector<std::string> files;
        std::string leftOut;  // what the run says of the rest
    };
    const Row rows[] = {
        {false, {"named.mp4", d + "a.mov", d + "b.mp4", d + "notes.txt"},
         "4 left out: a folder, a hidden folder, a hidden file and a file of another type; "
         "--verbose names them"},
        {true, {"named.mp4", d + "a.mov", d + "b.mp4", d + "notes.txt", d + "sub/c.mp4",
                d + "sub/deeper/e.mp4"},
         "3 left out: a hidden folder, a hidden file and a file of another type; --verbose names them"},
    };
    for (const Row& row : rows) {
        FolderFiles found = expandFolders({"named.mp4", dir_.string()}, row.recursive);
        EXPECT_EQ(found.files, row.files) << row.recursive;
        EXPECT_EQ(found.fromFolders.count("named.mp4"), 0u);
        std::vector<UploadJob> jobs;
        for (const std::string& file : found.files) jobs.push_back({file, {}});
        std::vector<std::string> kept;
        for (const UploadJob& job : withAcceptedTypes(jobs, found.fromFolders, "*.mp4;*.mov",
                                                      &found.leftOut)) {
            kept.push_back(job.file);
        }
        EXPECT_EQ(leftOutCount(found.leftOut), row.leftOut);
        EXPECT_EQ(std::count(kept.begin(), kept.end(), d + "notes.txt"), 0) << row.recursive;
        EXPECT_EQ(kept.size(), found.files.size() - 1);
    }
}

TEST(LeftOutCount, SaysHowManyOfEachKind) {
    using Kind = LeftOut::Kind;
    EXPECT_EQ(leftOutCount({}), "");
    EXPECT_EQ(leftOutCount({{"a", "", Kind::OtherType}, {"b", "", Kind::Folder}, {"c", "", Kind::OtherType}}),
              "3 left out: a folder and 2 files of other types; --verbose names them");
    EXPECT_EQ(leftOutCount({{"a", "", Kind::NotRegular}}),
              "1 left out: an entry that is not a regular file; --verbose names it");
}

}  // namespace
}  // namespace clipferry::cli
