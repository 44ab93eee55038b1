#include "app/options.h"
#include "commands/help_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "service/result_codes.h"

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
    ParseResult r = parse({"upload", clip_.c_str(), clip_.c_str(), "--title", "T", "--category",
                           "3", "--tags", "a b", "--user", "demo", "--retry", "2", "--json", "-q",
                           "--password-stdin"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->command, Command::Upload);
    EXPECT_EQ(r.options->user, "demo");
    EXPECT_EQ(r.options->retries, 2);
    EXPECT_EQ(r.options->upload.fields.tags, "a b");
    EXPECT_EQ(r.options->upload.files.size(), 2u);
    EXPECT_TRUE(r.options->json && r.options->quiet && r.options->passwordFromStdin);

    r = parse({"categories", "12", "--recursive", "--user", "demo"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->parent, 12);
}

TEST_F(OptionsTest, CommandLinesThatDoNot) {
    const std::vector<std::vector<const char*>> cases = {
        {"--user", "demo", "login", "--password", "secret"},  // never on the command line
        {"--user", "demo", "login", "-p", "secret"},
        {"--user", "demo"},                                   // no subcommand
        {"--user", "demo", "upload", "--category", "1"},                 // no file
        {"--user", "demo", "upload", "clip.mp4", "--title", "T", "--category", "music"},
        {"--user", "demo", "--retry", "-1", "login"},
        {"--user", "demo", "categories", "1", "2"},
        {"--user", "demo", "publish"},
        {"--user", "demo", "--quiet", "--verbose", "login"},
        {"--user", "demo", "upload", "a.mp4", "--category", "1", "--description", "d",
         "--description-file", "d.txt"},
        {"--user", "demo", "upload", "a.mp4", "--category", "-1"},
        {"--user", "demo", "upload", "a.mp4", "--category", "1", "--moderator", "-1"},
        {"--user", "demo", "upload", "a.mp4", "--limit-rate", "fast"},
        {"--user", "demo", "upload", "a.mp4", "--stall-timeout", "1m30"},
        {"--user", "demo", "categories", "--", "-1"},
        {"completion", "tcsh"},
        {"help", "publish"},
    };
    for (const auto& args : cases) {
        ParseResult r = parse(args);
        EXPECT_FALSE(r.options) << args.back();
        EXPECT_EQ(r.exitStatus, exit_status::usage) << args.back();
    }
}

TEST_F(OptionsTest, MistakesAreSaidInTheCommandsOwnWords) {
    // (arguments, the first line on standard error)
    const std::vector<std::pair<std::vector<const char*>, std::string>> rows = {
        {{"login", "--bogus"}, "clipferry: unknown option --bogus\n"},
        {{"--user", "demo", "--bogus"}, "clipferry: unknown option --bogus\n"},  // no command either
        {{"--retry", "abc", "login"}, "clipferry: --retry wants a whole number from 0 to 100, not 'abc'\n"},
        {{"--quiet", "--verbose", "login"}, "clipferry: --quiet and --verbose cannot be used together\n"},
        {{"login", "--password=s3cret"},
         "clipferry: unknown option --password (the password is never an option: use "
         "CLIPFERRY_PASSWORD, --password-stdin or the prompt)\n"},
        {{"upload", "a.mp4", "--limit-rate", "2X"}, "clipferry: --limit-rate wants a rate such as 500K or 2M, not '2X'\n"},
        {{"upload", "a.mp4", "--title"}, "clipferry: --title wants a value\n"},
        {{"upload"}, "clipferry: FILE is missing\n"},
        {{"--user", "demo"}, "clipferry: no command given; the commands are login, logout, file-types, "
                             "categories, moderators, upload, config, history, help and completion\n"},
    };
    for (const auto& [args, line] : rows) {
        std::string errors;
        ParseResult r = parse(args, &errors);
        EXPECT_EQ(r.exitStatus, exit_status::usage) << line;
        EXPECT_EQ(errors.substr(0, errors.find('\n') + 1), line);
        EXPECT_NE(errors.find("clipferry: see clipferry help"), std::string::npos) << errors;
    }
}

TEST_F(OptionsTest, RateAndStallTimeoutAreReadAsCurlAndPeopleWriteThem) {
    ParseResult r = parse({"--user", "demo", "upload", "a.mp4", "--limit-rate", "2M",
                           "--stall-timeout", "1m30s"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->upload.limitRate, 2.0 * 1024 * 1024);
    EXPECT_EQ(r.options->upload.stallTimeout, 90.0);
}

TEST_F(OptionsTest, HelpEndsWellAndShowsTheExitStatusesOnce) {
    struct Case {
        std::vector<const char*> args;
        bool statuses;  // the table and the environment, or only a pointer to them
    };
    const Case cases[] = {{{"--help"}, true}, {{"upload", "--help"}, false},
                          {{"--user", "demo", "login", "--help"}, false}};
    for (const Case& c : cases) {
        std::vector<const char*> full = c.args;
        full.insert(full.begin(), "clipferry");
        std::ostringstream out, err;
        ParseResult r = parseCommandLine(static_cast<int>(full.size()), full.data(), out, err);
        EXPECT_FALSE(r.options);
        EXPECT_EQ(r.exitStatus, exit_status::ok);
        std::string help = out.str();
        EXPECT_EQ(help.find("Exit status:") != std::string::npos, c.statuses) << help;
        EXPECT_EQ(help.find("CLIPFERRY_CURL_LIBRARY") != std::string::npos, c.statuses) << help;
        if (!c.statuses) EXPECT_NE(help.find("clipferry --help"), std::string::npos) << help;
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
        // The files and the fields are checked later, all at once (see the checks).
        {{"upload", missing.c_str(), "--title", "T", "--category", "1"}, ""},
        {{"upload", dirPath.c_str(), "--title", "", "--category", "1"}, ""},
        {{"upload", clip_.c_str(), "--category", "1", "--description-file", missing.c_str()},
         "--description-file: no such file"},
        {{"upload", clip_.c_str(), "--meta", missing.c_str()}, "--meta: no such file"},
        {{"--password-stdin", "upload", clip_.c_str(), "--category", "1", "--description-file", "-"},
         "--description-file: standard input"},
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

TEST_F(OptionsTest, EachFileBecomesOneUploadTitledByItsNameUnlessATitleIsGiven) {
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

TEST_F(OptionsTest, AMetaEntryThatNamesNoFileOfTheRunIsReported) {
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

namespace clipferry::cli {
namespace {

TEST(HelpWrap, LinesBreakBetweenWordsUnderTheirDescription) {
    const std::string option = "  --title TEXT    Title of the video (default: the file's name)\n";
    struct Row {
        const char* name;
        std::string text;
        int width;
        std::string wrapped;
    };
    const Row rows[] = {
        {"not a terminal", option, 0, option},
        {"wide enough", option, 80, option},
        {"under the description", option, 45,
         "  --title TEXT    Title of the video\n"
         "                  (default: the file's name)\n"},
        {"too narrow beside the name", option, 33,
         "  --title TEXT\n"
         "      Title of the video\n"
         "      (default: the file's name)\n"},
        {"plain text under its indentation", "  one two three four five six\n", 22,
         "  one two three four\n  five six\n"},
        {"a word longer than the line stays whole", "x abcdefghijklmnopqrstuvwxyz\n", 21,
         "x\nabcdefghijklmnopqrstuvwxyz\n"},
        {"a long word starts left of the column", "  -p  a /very/long/path/name\n", 21,
         "  -p\n      a\n/very/long/path/name\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(wrapHelp(row.text, row.width), row.wrapped) << row.name;
}

}  // namespace
}  // namespace clipferry::cli
