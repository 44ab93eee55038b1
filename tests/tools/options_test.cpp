#include "options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "result_codes.h"

namespace clipferry::cli {
namespace {

ParseResult parse(std::vector<const char*> args, std::string* errors = nullptr) {
    args.insert(args.begin(), "clipferry");
    std::ostringstream out, err;
    ParseResult result = parseCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    if (errors) *errors = err.str();
    return result;
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("CLIPFERRY_USER");
        dir_ = std::filesystem::temp_directory_path() /
               ("clipferry-options-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        clip_ = (dir_ / "clip.mp4").string();
        std::ofstream(clip_) << "not really a video";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    std::string clip_;
};

TEST_F(OptionsTest, OptionsOfTheWholeCommandMayFollowTheSubcommand) {
    ParseResult r = parse({"upload", clip_.c_str(), "--title", "T", "--category", "3",
                           "--tags", "a b", "--user", "demo", "--retry", "2"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->command, Command::Upload);
    EXPECT_EQ(r.options->user, "demo");
    EXPECT_EQ(r.options->retries, 2);
    EXPECT_EQ(r.options->upload.tags, "a b");

    setenv("CLIPFERRY_USER", "fromenv", 1);
    r = parse({"categories", "12", "--recursive"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->user, "fromenv");
    EXPECT_EQ(r.options->parent, 12);
}

TEST_F(OptionsTest, CommandLinesThatDoNot) {
    const std::vector<std::vector<const char*>> cases = {
        {"--user", "demo", "login", "--password", "secret"},  // never on the command line
        {"--user", "demo", "login", "-p", "secret"},
        {"--user", "demo"},                                   // no subcommand
        {"login"},                                            // no user
        {"--user", "demo", "upload", "clip.mp4", "--category", "1"},     // no title
        {"--user", "demo", "upload", "clip.mp4", "--title", "T"},        // no category
        {"--user", "demo", "upload", "clip.mp4", "--title", "T", "--category", "music"},
        {"--user", "demo", "--retry", "-1", "login"},
        {"--user", "demo", "categories", "1", "2"},
        {"--user", "demo", "publish"},
    };
    for (const auto& args : cases) {
        ParseResult r = parse(args);
        EXPECT_FALSE(r.options) << args.back();
        EXPECT_EQ(r.exitStatus, exit_status::usage) << args.back();
    }
}

TEST_F(OptionsTest, HelpEndsWellAndShowsTheExitStatuses) {
    for (const auto& args : std::vector<std::vector<const char*>>{{"--help"}, {"upload", "--help"}}) {
        std::vector<const char*> full = args;
        full.insert(full.begin(), "clipferry");
        std::ostringstream out, err;
        ParseResult r = parseCommandLine(static_cast<int>(full.size()), full.data(), out, err);
        EXPECT_FALSE(r.options);
        EXPECT_EQ(r.exitStatus, exit_status::ok);
        EXPECT_NE(out.str().find("Exit status:"), std::string::npos) << out.str();
    }
}

TEST_F(OptionsTest, BadArgumentsAreNamed) {
    std::string dirPath = dir_.string();
    std::string missing = (dir_ / "missing.mp4").string();
    struct Case {
        std::vector<const char*> args;
        std::string named;  // empty: nothing wrong
    };
    const std::vector<Case> cases = {
        {{"upload", clip_.c_str(), "--title", "T", "--category", "1"}, ""},
        {{"upload", missing.c_str(), "--title", "T", "--category", "1"}, "FILE: no such file"},
        {{"upload", dirPath.c_str(), "--title", "T", "--category", "1"}, "FILE: not a regular file"},
        {{"upload", clip_.c_str(), "--title", "", "--category", "1"}, "--title"},
        {{"upload", clip_.c_str(), "--title", "T", "--category", "-1"}, "--category:"},
        {{"upload", clip_.c_str(), "--title", "T", "--category", "1", "--category3", "-2"},
         "--category3"},
        {{"upload", clip_.c_str(), "--title", "T", "--category", "1", "--moderator", "-1"},
         "--moderator"},
        {{"categories", "--", "-1"}, "PARENT"},
        {{"--user", "", "login"}, "--user"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> args = c.args;
        if (std::string(args[0]) != "--user") {
            args.insert(args.begin(), {"--user", "demo"});
        }
        ParseResult r = parse(args);
        ASSERT_TRUE(r.options) << c.named;
        auto bad = findBadArgument(*r.options);
        if (c.named.empty()) {
            EXPECT_FALSE(bad) << *bad;
        } else {
            ASSERT_TRUE(bad) << c.named;
            EXPECT_EQ(bad->rfind(c.named, 0), 0u) << *bad;
        }
    }
}

}  // namespace
}  // namespace clipferry::cli
