#include "commands/upload/preflight.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <unistd.h>

#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

struct PreflightCase {
    const char* name;
    std::string file;  // below the test's folder
    int32_t category, category2, category3, moderator;
    bool mayChooseModerators;
    std::vector<std::string> expected;  // FILE stands for the file's path
};

std::vector<Choice> manyCategories() {
    std::vector<Category> tree = {{1, "Film & Animation", {{11, "Short Films", {{111, "Festival Cuts", {}}}}}},
                                  {2, "Music", {}}};
    for (int32_t id = 3; id <= 14; ++id) tree.push_back({id, "C" + std::to_string(id), {}});
    return flattenCategories(tree);
}

class PreflightTest : public ::testing::TestWithParam<PreflightCase> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("clipferry-preflight-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "folder.mp4");
        std::ofstream(dir_ / "clip.mp4") << "video";
        std::ofstream(dir_ / "clip.mkv") << "video";
        std::ofstream(dir_ / "empty.mp4");
        std::ofstream(dir_ / "clip\x1b[2J.mp4") << "video";
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_P(PreflightTest, ReportsEveryProblemWithTheChoices) {
    const PreflightCase& c = GetParam();
    UploadJob upload{(dir_ / c.file).string(), {"T", "", "", c.category, c.category2, c.category3, c.moderator}};
    ServiceLists lists{"*.mp4;*.mov", manyCategories(), std::nullopt};
    if (c.mayChooseModerators) lists.moderators = std::vector<Choice>{{7, "Ada Lovelace"}, {9, "Alan Kay"}};
    std::vector<std::string> expected = c.expected;
    for (std::string& line : expected) {
        if (line.rfind("FILE", 0) == 0) line.replace(0, 4, upload.file);
    }
    std::vector<std::string> problems = localProblems({upload});
    for (const std::string& problem : serviceProblems({upload}, lists)) problems.push_back(problem);
    EXPECT_EQ(problems, expected);
}

const std::string kCategoryList =
    "choose one of: 1 Film & Animation, 11 Short Films, 111 Festival Cuts, 2 Music, 3 C3, 4 C4, "
    "5 C5, 6 C6, 7 C7, 8 C8, 9 C9, 10 C10 and 4 more";

INSTANTIATE_TEST_SUITE_P(
    Table, PreflightTest,
    ::testing::Values(
        PreflightCase{"all_good", "clip.mp4", 1, 111, 14, 9, true, {}},
        PreflightCase{"zero_means_none", "clip.mp4", 1, 0, 0, 0, false, {}},
        PreflightCase{"no_category", "clip.mp4", 0, 2, 0, 0, false,
                      {"--category: no category; give one (see clipferry categories), or "
                       "\"categories\" in the --meta file or config.toml"}},
        PreflightCase{"missing", "gone.mp4", 1, 0, 0, 0, true, {"FILE: no such file"}},
        PreflightCase{"folder", "folder.mp4", 1, 0, 0, 0, true, {"FILE: not a regular file"}},
        PreflightCase{"empty", "empty.mp4", 1, 0, 0, 0, true, {"FILE: the file is empty; there is nothing to upload"}},
        PreflightCase{"file_type", "clip.mkv", 1, 0, 0, 0, true,
                      {"FILE: not a file type the service accepts; it accepts *.mp4, *.mov"}},
        PreflightCase{"unknown_category2", "clip.mp4", 1, 99, 0, 0, true,
                      {"--category2 99: no such category; " + kCategoryList}},
        PreflightCase{"moderators_not_allowed", "clip.mp4", 1, 0, 0, 7, false,
                      {"--moderator 7: this account may not choose a moderator; give --moderator 0 for none"}},
        PreflightCase{"escape_in_the_name", "clip\x1b[2J.mp4", 1, 0, 0, 0, true,
                      {"FILE: the file's name holds a control character, which the service cannot "
                       "take; rename the file"}},
        PreflightCase{"unknown_moderator", "clip.mp4", 1, 0, 0, 8, true,
                      {"--moderator 8: not one of your moderators; choose one of: 7 Ada Lovelace, 9 Alan Kay, "
                       "or 0 for none"}},
        PreflightCase{"everything_at_once", "clip.mkv", 98, 2, 97, 8, true,
                      {"FILE: not a file type the service accepts; it accepts *.mp4, *.mov",
                       "--category 98: no such category; " + kCategoryList,
                       "--category3 97: no such category; " + kCategoryList,
                       "--moderator 8: not one of your moderators; choose one of: 7 Ada Lovelace, 9 Alan Kay, "
                       "or 0 for none"}}),
    [](const ::testing::TestParamInfo<PreflightCase>& info) { return std::string(info.param.name); });

TEST(Preflight, FieldsTheServiceCannotTake) {
    // (title, description, tags, the problems)
    const std::tuple<std::string, std::string, std::string, std::vector<std::string>> rows[] = {
        {"T", "Line one\n\tline two\r\n", "a b", {}},
        {"   ", "", "", {"--title: the title is only blanks; give it words"}},
        {"a\x01" "b", "", "", {"--title: holds a control character (a\\x01b), which the service cannot take"}},
        {"T", "bell\x07", "x\ny",
         {"--description: holds a control character (bell\\x07), which the service cannot take "
          "(tabs and line breaks are fine)",
          "--tags: holds a control character (x\\ny), which the service cannot take"}},
        // The command's own rule, stricter than the library's, which would send both.
        {"a\tb", "csi\xc2\x9b", "", {"--title: holds a control character (a\\tb), which the service cannot take",
          "--description: holds a control character (csi\\u009b), which the service cannot take "
          "(tabs and line breaks are fine)"}},
    };
    for (const auto& [title, description, tags, problems] : rows) {
        UploadJob upload{"a.mp4", {title, description, tags, 1, 0, 0, 0}};
        EXPECT_EQ(checkFields(upload), problems) << title;
    }
}

using PreflightFiles = ScratchFolder;

// The first name of a file is kept: hard links and a link to it are the same
// file; a file that is not there is known by its path.
TEST_F(PreflightFiles, AFileGivenTwiceIsSentOnce) {
    const std::string a = write("a.mp4", "a"), b = write("b.mp4", "b");
    const std::string hard = (dir_ / "hard.mp4").string(), soft = (dir_ / "soft.mp4").string();
    fs::create_hard_link(a, hard);
    fs::create_symlink(a, soft);
    const std::string dotted = (dir_ / "." / "a.mp4").string();
    const std::vector<UploadJob> jobs = {{hard, {}}, {"gone.mp4", {}}, {a, {}}, {b, {}},
                                         {dotted, {}}, {"./gone.mp4", {}}, {soft, {}}};
    std::vector<std::string> warnings;
    std::string kept;
    for (const UploadJob& job : withoutRepeats(jobs, warnings)) kept += job.file + " ";
    EXPECT_EQ(kept, hard + " gone.mp4 " + b + " ");
    EXPECT_EQ(warnings, (std::vector<std::string>{a + ": given more than once; it is sent once",
                                                  dotted + ": given more than once; it is sent once",
                                                  "./gone.mp4: given more than once; it is sent once",
                                                  soft + ": given more than once; it is sent once"}));
}

TEST(Preflight, FieldsTheLibraryWouldCut) {
    UploadJob upload;
    upload.fields.category = 1;
    upload.fields.tags = std::string(1024, 't');
    upload.fields.description = std::string(1023, 'd');
    EXPECT_EQ(checkFields(upload),
              (std::vector<std::string>{"--title: the title is empty",
                                        "--tags: 1024 bytes, more than the 1023 the service takes; shorten it"}));
}

}  // namespace
}  // namespace clipferry::cli
