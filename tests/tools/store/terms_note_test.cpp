// The terms note in the state folder: kept whole, private, never through a
// link, and never over a file that is not the note.
#include "store/terms_note.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

class TermsNoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("clipferry-terms-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        note_ = dir_ / "state" / "clipferry" / "terms-accepted.json";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(note_.parent_path(), fs::perms::owner_all, ignored);
        fs::remove_all(dir_);
    }
    static std::string read(const fs::path& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }
    size_t filesInFolder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(note_.parent_path()),
                                                 fs::directory_iterator()));
    }
    fs::path dir_;
    fs::path note_;
    const std::chrono::system_clock::time_point when_ =
        std::chrono::system_clock::from_time_t(1700000000);
};

TEST_F(TermsNoteTest, NotedOncePerUserInAPrivateFile) {
    const std::vector<std::string> users = {"dana", "dana smith", "quo\"te\\back", "tab\tname"};
    EXPECT_FALSE(termsNoted(note_, "dana"));  // no folder, no file yet
    for (const std::string& user : users) {
        noteTermsAccepted(note_, user, when_);
        const std::string once = read(note_);
        noteTermsAccepted(note_, user, when_ + std::chrono::hours(1));  // already there: unchanged
        EXPECT_EQ(read(note_), once) << user;
    }
    for (const std::string& user : users) EXPECT_TRUE(termsNoted(note_, user)) << user;
    EXPECT_FALSE(termsNoted(note_, "dana "));
    EXPECT_NE(read(note_).find("\"dana\": \"2023-11-14T22:13:20Z\""), std::string::npos);
    EXPECT_EQ(fs::status(note_.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(note_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(filesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(TermsNoteTest, TwoProcessesAtOnceLeaveAWholeNote) {
    noteTermsAccepted(note_, "first", when_);
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0; i < 50; ++i) {
                noteTermsAccepted(note_, std::to_string(child) + "-" + std::to_string(i), when_);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // One may replace what the other added at the same moment, never leave half a file.
    EXPECT_TRUE(termsNoted(note_, "first"));
    EXPECT_TRUE(termsNoted(note_, "0-49") || termsNoted(note_, "1-49"));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(TermsNoteTest, WhatIsNotTheNoteIsLeftAsItWas) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> put;  // puts something at the note's place
        const char* said;
    };
    const Row rows[] = {
        {"a link to another file",
         [&](const fs::path& at) {
             std::ofstream(dir_ / "elsewhere") << "{\"accepted\": {}}";
             fs::create_symlink(dir_ / "elsewhere", at);
         },
         "a link where the note"},
        {"a link to nothing", [&](const fs::path& at) { fs::create_symlink(dir_ / "nothing", at); },
         "a link where the note"},
        {"another program's file", [](const fs::path& at) { std::ofstream(at) << "user = 1\n"; },
         "not the note"},
        {"JSON of another shape", [](const fs::path& at) { std::ofstream(at) << "{\"accepted\": 1}"; },
         "not the note"},
        {"a folder", [](const fs::path& at) { fs::create_directory(at); }, "not a regular file"},
    };
    for (const Row& row : rows) {
        fs::remove_all(dir_);
        fs::create_directories(note_.parent_path());
        row.put(note_);
        const auto before = fs::symlink_status(note_).type();
        const std::string text = fs::is_regular_file(note_) ? read(note_) : "";
        try {
            noteTermsAccepted(note_, "dana", when_);
            ADD_FAILURE() << row.name << ": noted";
        } catch (const TermsNoteError& e) {
            EXPECT_NE(std::string(e.what()).find(row.said), std::string::npos) << row.name << e.what();
        }
        EXPECT_THROW(termsNoted(note_, "dana"), TermsNoteError) << row.name;
        EXPECT_EQ(fs::symlink_status(note_).type(), before) << row.name;
        if (!text.empty()) EXPECT_EQ(read(note_), text) << row.name;
        EXPECT_FALSE(fs::exists(dir_ / "nothing")) << row.name;
        EXPECT_EQ(filesInFolder(), 1u) << row.name;
    }
    // A folder it cannot write to: the old note stays whole.
    fs::remove_all(dir_);
    noteTermsAccepted(note_, "dana", when_);
    const std::string text = read(note_);
    fs::permissions(note_.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(note_.parent_path().c_str(), W_OK) != 0) {  // root writes anyway
        EXPECT_THROW(noteTermsAccepted(note_, "other", when_), TermsNoteError);
        EXPECT_EQ(read(note_), text);
    }
}

}  // namespace
}  // namespace clipferry::cli
