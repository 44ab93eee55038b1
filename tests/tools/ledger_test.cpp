// The ledger's storage and what it keys on: the fingerprint that must survive
// a rename and notice any change, claims, the folder walk, and commands writing at once.
#include "ledger.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "fingerprint.h"
#include "folder_files.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("clipferry-ledger-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& bytes) {
        fs::create_directories((dir_ / name).parent_path());
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) >> 7);
    return bytes;
}

using FingerprintTest = ScratchFolder;

TEST_F(FingerprintTest, SurvivesARenameAndNoticesAnyChangedByte) {
    const size_t big = 3 * 1024 * 1024 + 5;  // several reads, with a short tail
    struct Row {
        const char* name;
        size_t size;
        std::function<void(std::string&)> change;
        bool same;
    };
    const Row rows[] = {
        {"renamed, big", big, [](std::string&) {}, true},
        {"first byte", big, [](std::string& b) { b[0] ^= 1; }, false},
        {"last byte", big, [](std::string& b) { b.back() ^= 1; }, false},
        // Where a sampled fingerprint never looked: a tag rewritten in place.
        {"four bytes in the middle", big, [&](std::string& b) { b.replace(big / 2 + 12345, 4, "TAG!"); }, false},
        {"one byte more", big, [](std::string& b) { b += 'x'; }, false},
        {"middle of a small file", 1000, [](std::string& b) { b[500] ^= 1; }, false},
        {"renamed, empty", 0, [](std::string&) {}, true},
    };
    for (const Row& row : rows) {
        std::string bytes = patterned(row.size);
        const Fingerprint before = fingerprintFile(write("before.mp4", bytes));
        row.change(bytes);
        const std::string afterPath = write("sub/after name.mp4", bytes);
        const Fingerprint after = fingerprintFile(afterPath);
        EXPECT_EQ(before.text == after.text, row.same) << row.name;
        EXPECT_EQ(before.text.rfind("sha256:", 0), 0u) << row.name;
        EXPECT_EQ(after.identity, identityOf(afterPath)) << row.name;
        EXPECT_EQ(after.identity.size, bytes.size()) << row.name;
    }
    EXPECT_THROW(fingerprintFile((dir_ / "missing.mp4").string()), FingerprintError);
}

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
    };
    const Row rows[] = {
        {false, {"named.mp4", d + "a.mov", d + "b.mp4", d + "notes.txt"}},
        {true, {"named.mp4", d + "a.mov", d + "b.mp4", d + "notes.txt", d + "sub/c.mp4",
                d + "sub/deeper/e.mp4"}},
    };
    for (const Row& row : rows) {
        FolderFiles found = expandFolders({"named.mp4", dir_.string()}, row.recursive);
        EXPECT_EQ(found.files, row.files) << row.recursive;
        EXPECT_EQ(found.fromFolders.count("named.mp4"), 0u);
        std::vector<UploadJob> jobs;
        for (const std::string& file : found.files) jobs.push_back({file, {}});
        std::vector<std::string> kept;
        for (const UploadJob& job : withAcceptedTypes(jobs, found.fromFolders, "*.mp4;*.mov")) {
            kept.push_back(job.file);
        }
        EXPECT_EQ(std::count(kept.begin(), kept.end(), d + "notes.txt"), 0) << row.recursive;
        EXPECT_EQ(kept.size(), found.files.size() - 1);
    }
}

using LedgerTest = ScratchFolder;

TEST_F(LedgerTest, TheNewestEntryPerUserAndKeptListsByAge) {
    Ledger ledger(dir_ / "state" / "clipferry" / "ledger.sqlite");
    EXPECT_EQ(fs::status(dir_ / "state" / "clipferry").permissions() & fs::perms::all,
              fs::perms::owner_all);
    ledger.record({"demo", "5:aa", "a.mp4", 5, "First", kLedgerMayHaveBeenReceived, ""});
    ledger.record({"demo", "5:aa", "b.mp4", 5, "Second", kLedgerAccepted, "fine"});
    ledger.record({"solo", "5:bb", "c.mp4", 5, "Other", kLedgerAccepted, "fine"});
    auto latest = ledger.blocking("demo", "5:aa", false);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->title, "Second");
    EXPECT_EQ(latest->localTime.size(), 19u);  // "2026-12-01 11:11:12"
    EXPECT_FALSE(ledger.blocking("solo", "5:aa", false));
    EXPECT_EQ(ledger.entries().size(), 3u);
    FileIdentity identity{1, 2, 3, 4, 5};
    ledger.keepFingerprint(identity, "sha256:ab");
    EXPECT_EQ(ledger.knownFingerprint(identity), "sha256:ab");
    for (int64_t FileIdentity::*part : {&FileIdentity::modifiedNs, &FileIdentity::changedNs}) {
        FileIdentity touched = identity;
        touched.*part += 1;  // one nanosecond later: hashed again
        EXPECT_FALSE(ledger.knownFingerprint(touched));
    }

    ledger.keep("demo types", "*.mp4");
    EXPECT_EQ(ledger.cached("demo types", std::chrono::hours(24)), "*.mp4");
    EXPECT_FALSE(ledger.cached("demo types", std::chrono::seconds(-1)));  // older than allowed
    EXPECT_FALSE(ledger.cached("solo types", std::chrono::hours(24)));
    EXPECT_THROW(Ledger(dir_ / "nowhere" / "ledger.sqlite", Ledger::Access::Read), LedgerError);
}

// What keeps a file from being sent: the outcomes, and claims by whether
// their command still runs.
TEST_F(LedgerTest, ClaimsBlockWhileTheirCommandRunsAndAfterItDied) {
    const pid_t gone = fork();  // a process id that no longer runs
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string here = hostName();
    struct Row {
        const char* name;
        LedgerEntry entry;
        const char* blocks;       // the outcome read back; nullptr: not blocked
        const char* blocksAgain;  // the same with --again
    };
    auto entry = [](const char* outcome, int64_t pid, std::string host, bool changed = false) {
        LedgerEntry e{"demo", "sha256:aa", "a.mp4", 5, "A", outcome, ""};
        e.pid = pid;
        e.host = std::move(host);
        e.fileChanged = changed;
        return e;
    };
    const Row rows[] = {
        {"accepted", entry(kLedgerAccepted, 0, ""), kLedgerAccepted, nullptr},
        {"accepted, but the file changed while sent", entry(kLedgerAccepted, 0, "", true), nullptr, nullptr},
        {"a claim of a running command", entry(kLedgerBeingSent, getppid(), here), kLedgerBeingSent,
         kLedgerBeingSent},
        {"a claim of a command on another machine", entry(kLedgerBeingSent, 1, "elsewhere"),
         kLedgerBeingSent, kLedgerBeingSent},
        {"a claim whose command died", entry(kLedgerBeingSent, gone, here), kLedgerMayHaveBeenReceived,
         nullptr},
    };
    for (const Row& row : rows) {
        Ledger ledger(dir_ / row.name / "ledger.sqlite");
        ledger.record(row.entry);
        for (bool again : {false, true}) {
            const char* expected = again ? row.blocksAgain : row.blocks;
            int64_t id = 0;
            auto blocked = ledger.claim(row.entry, again, id);
            EXPECT_EQ(blocked.has_value(), expected != nullptr) << row.name << again;
            if (blocked && expected) EXPECT_EQ(blocked->outcome, expected) << row.name << again;
            if (!blocked) ledger.settle(id, "refused", "", 5, false);  // gone again
        }
        EXPECT_EQ(ledger.entries().size(), 1u) << row.name;
    }
    // A claim is turned into its outcome.
    Ledger ledger(dir_ / "settled" / "ledger.sqlite");
    int64_t id = 0;
    ASSERT_FALSE(ledger.claim(entry(kLedgerAccepted, 0, ""), false, id));
    EXPECT_EQ(ledger.entries().at(0).outcome, kLedgerBeingSent);
    ledger.settle(id, kLedgerAccepted, "fine", 5, false);
    EXPECT_EQ(ledger.entries().at(0).outcome, kLedgerAccepted);
    EXPECT_EQ(ledger.entries().size(), 1u);
}

TEST_F(LedgerTest, CommandsWritingAtOnceLoseNothing) {
    const fs::path path = dir_ / "state" / "ledger.sqlite";
    Ledger(path).record({"demo", "0:00", "first.mp4", 0, "First", kLedgerAccepted, ""});
    constexpr int kWriters = 4, kEach = 50;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            Ledger own(path);  // a connection of its own, as another process has
            for (int i = 0; i < kEach; ++i) {
                own.record({"demo", std::to_string(w) + ":" + std::to_string(i), "f.mp4", 1, "T",
                            kLedgerAccepted, ""});
                own.keep("list " + std::to_string(w), std::to_string(i));
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(Ledger(path).entries().size(), 1u + kWriters * kEach);
}

}  // namespace
}  // namespace clipferry::cli
