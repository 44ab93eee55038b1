// The root command line: the subcommands and their options parsed, the
// mistakes said in the command's words, and the arguments named as wrong.
#include "commands/root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "commands/command_run.h"
#include "service/result_codes.h"
#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

ParseResult parse(std::vector<const char*> args, std::string* errors = nullptr) {
    args.insert(args.begin(), "clipferry");
    std::ostringstream out, err;
    ParseResult result = parseCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    if (errors) *errors = err.str();
    return result;
}

class RootTest : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        clip_ = write("clip.mp4", "not really a video");
    }
    std::string clip_;
};

TEST_F(RootTest, OptionsOfTheWholeCommandMayFollowTheSubcommand) {
    ParseResult r = parse({"upload", clip_.c_str(), clip_.c_str(), "--title", "T", "--category",
                           "3", "--tags", "a b", "--user", "demo", "--retry", "2", "--json", "-q",
                           "--password-stdin"});
    ASSERT_TRUE(r.options);
    EXPECT_TRUE(r.command.run && r.command.logsIn);
    EXPECT_EQ(r.options->given.user, "demo");
    EXPECT_EQ(r.options->given.retry, 2);
    EXPECT_TRUE(r.options->json && r.options->quiet && r.options->passwordFromStdin);
}

// Each command line that cannot run ends with the usage status, the hint,
// and, where a row gives it, the first line on standard error in the
// command's own words.
TEST_F(RootTest, CommandLinesThatCannotRunAreSaidInTheCommandsOwnWords) {
    struct Row {
        std::vector<const char*> args;
        std::string line;  // empty: any wording
    };
    const std::vector<Row> rows = {
        {{"--user", "demo", "login", "--password", "secret"}, ""},  // never on the command line
        {{"--user", "demo", "login", "-p", "secret"}, ""},
        {{"--user", "demo", "upload", "--category", "1"}, ""},  // no file
        {{"--user", "demo", "upload", "clip.mp4", "--title", "T", "--category", "music"}, ""},
        {{"--user", "demo", "--retry", "-1", "login"}, ""},
        {{"--user", "demo", "categories", "1", "2"}, ""},
        {{"--user", "demo", "publish"}, ""},
        {{"--user", "demo", "upload", "a.mp4", "--category", "1", "--description", "d",
          "--description-file", "d.txt"}, ""},
        {{"--user", "demo", "upload", "a.mp4", "--category", "-1"}, ""},
        {{"--user", "demo", "upload", "a.mp4", "--category", "1", "--moderator", "-1"}, ""},
        {{"--user", "demo", "upload", "a.mp4", "--limit-rate", "fast"}, ""},
        {{"--user", "demo", "upload", "a.mp4", "--stall-timeout", "1m30"}, ""},
        {{"--user", "demo", "categories", "--", "-1"}, ""},
        {{"completion", "tcsh"}, ""},
        {{"help", "publish"}, ""},
        {{"login", "--bogus"}, "clipferry: unknown option --bogus\n"},
        {{"--user", "demo", "--bogus"}, "clipferry: unknown option --bogus\n"},  // no command either
        {{"--retry", "abc", "login"}, "clipferry: --retry wants a whole number from 0 to 100, not 'abc'\n"},
        {{"--quiet", "--verbose", "login"}, "clipferry: --quiet and --verbose cannot be used together\n"},
        {{"--user", "demo", "--quiet", "--verbose", "login"},
         "clipferry: --quiet and --verbose cannot be used together\n"},
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
        EXPECT_FALSE(r.options) << args.back();
        EXPECT_EQ(r.exitStatus, exit_status::usage) << args.back();
        if (!line.empty()) EXPECT_EQ(errors.substr(0, errors.find('\n') + 1), line);
        EXPECT_NE(errors.find("clipferry: see clipferry help"), std::string::npos) << errors;
    }
}

TEST_F(RootTest, HelpEndsWellAndShowsTheExitStatusesOnce) {
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

// A bad argument stops the command before the login, named; the files and
// the fields are checked later, all at once (see the checks).
TEST_F(RootTest, BadArgumentsAreNamedBeforeTheLogin) {
    std::string dirPath = dir_.string();
    std::string missing = (dir_ / "missing.mp4").string();
    struct Case {
        std::vector<std::string> args;
        std::string named;  // empty: nothing wrong before the login
    };
    const std::vector<Case> cases = {
        {{"upload", clip_, "--title", "T", "--category", "1"}, ""},
        {{"upload", missing, "--title", "T", "--category", "1"}, ""},
        {{"upload", dirPath, "--title", "", "--category", "1"}, ""},
        {{"upload", clip_, "--category", "1", "--description-file", missing}, "--description-file: no such file"},
        {{"upload", clip_, "--meta", missing}, "--meta: no such file"},
        {{"--password-stdin", "upload", clip_, "--category", "1", "--description-file", "-"},
         "--description-file: standard input"},
        {{"--user", "", "login"}, "--user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.named);
        ServiceScript script;
        script.categories[0] = {{1, "Travel", {}}};
        const CommandSetup setup{{{"CLIPFERRY_USER", "demo"}, {"CLIPFERRY_PASSWORD", "secret"}, {"HOME", dirPath}}};
        const CommandRun run = runCommandLine(c.args, script, setup);
        if (c.named.empty()) {
            EXPECT_EQ(run.err.find("bad argument"), std::string::npos) << run.err;
            EXPECT_EQ(script.passwords.size(), 1u);
        } else {
            EXPECT_EQ(run.status, exit_status::badArgument);
            EXPECT_EQ(run.err.rfind("clipferry: bad argument: " + c.named, 0), 0u) << run.err;
            EXPECT_TRUE(script.passwords.empty());
        }
    }
}

}  // namespace
}  // namespace clipferry::cli
