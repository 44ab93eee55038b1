// The ledger's storage: entries per user, kept lists, claims, and commands
// writing at once.
#include "store/ledger.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "store/fingerprint.h"
#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

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
