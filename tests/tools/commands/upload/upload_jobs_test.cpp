// The uploads of a run: one per file, their fields from the flags, --meta and the defaults.
#include "commands/upload/upload_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

using UploadJobsTest = ScratchFolder;

TEST_F(UploadJobsTest, EachFileBecomesOneUploadTitledByItsNameUnlessATitleIsGiven) {
    std::string notes = (dir_ / "notes.txt").string();
    std::ofstream(notes) << "Long\ndescription\n";
    UploadOptions base;
    base.files = {"/videos/Harbour at dusk.mp4", "b.tar.mov", "noext"};
    base.fields.categories = std::vector<int32_t>{4};
    struct Case {
        const char* name;
        std::optional<std::string> title, description;
        std::string descriptionFile;
        std::vector<std::string> titles;
        std::string expectedDescription;
    };
    const Case cases[] = {
        {"titles from the names", {}, "d", "", {"Harbour at dusk", "b.tar", "noext"}, "d"},
        {"one title for all", "T", {}, "", {"T", "T", "T"}, ""},
        {"description from a file", {}, {}, notes, {"Harbour at dusk", "b.tar", "noext"},
         "Long\ndescription"},
        {"description from standard input", {}, {}, "-", {"Harbour at dusk", "b.tar", "noext"},
         "from stdin"},
    };
    for (const Case& c : cases) {
        UploadOptions options = base;
        options.fields.title = c.title;
        options.fields.description = c.description;
        options.descriptionFile = c.descriptionFile;
        std::istringstream in("from stdin\n");
        std::vector<UploadJob> jobs = buildUploadJobs(options, {}, in);
        ASSERT_EQ(jobs.size(), 3u) << c.name;
        for (size_t i = 0; i < jobs.size(); ++i) {
            EXPECT_EQ(jobs[i].file, base.files[i]) << c.name;
            EXPECT_EQ(jobs[i].fields.title, c.titles[i]) << c.name;
            EXPECT_EQ(jobs[i].fields.description, c.expectedDescription) << c.name;
            EXPECT_EQ(jobs[i].fields.category, 4) << c.name;
        }
    }
}

TEST_F(UploadJobsTest, AMetaEntryThatNamesNoFileOfTheRunIsReported) {
    std::string meta = (dir_ / "meta.json").string();
    std::ofstream(meta) << R"([{"file": "b.mov", "title": "B"}, {"file": "harbor.mp4", "title": "H"}])";
    UploadOptions options;
    options.files = {"b.mov", "harbour.mp4"};
    options.metaFile = meta;
    std::istringstream in;
    std::vector<std::string> warnings;
    std::vector<UploadJob> jobs = buildUploadJobs(options, {}, in, &warnings);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].fields.title, "B");
    EXPECT_EQ(jobs[1].fields.title, "harbour");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("entry 2 (\"harbor.mp4\")"), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace clipferry::cli
