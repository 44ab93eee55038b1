// The ledger's storage: entries per user, kept lists, claims, and commands
// writing at once.
#include "store/ledger.h"

#include "store/fingerprint_cache.h"
#include "store/kept_lists.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "store/fingerprint.h"
#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

using LedgerTest = ScratchFolder;

size_t lockFiles(const fs::path& folder) {
    size_t found = 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        found += file.path().filename().string().rfind("ledger.sqlite-claim-", 0) == 0;
    }
    return found;
}

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
    FingerprintCache(ledger).keep({{"sha256:ab", identity}});
    EXPECT_EQ(FingerprintCache(ledger).known(identity), "sha256:ab");
    for (int64_t FileIdentity::*part : {&FileIdentity::modifiedNs, &FileIdentity::changedNs}) {
        FileIdentity touched = identity;
        touched.*part += 1;  // one nanosecond later: hashed again
        EXPECT_FALSE(FingerprintCache(ledger).known(touched));
    }

    KeptLists(ledger).keep("demo types", "*.mp4");
    EXPECT_EQ(KeptLists(ledger).cached("demo types", std::chrono::hours(24)), "*.mp4");
    EXPECT_FALSE(KeptLists(ledger).cached("demo types", std::chrono::seconds(-1)));  // older than allowed
    EXPECT_FALSE(KeptLists(ledger).cached("solo types", std::chrono::hours(24)));
    EXPECT_THROW(Ledger(dir_ / "nowhere" / "ledger.sqlite", Ledger::Access::Read), LedgerError);
}

// What keeps a file from being sent: the outcomes, and claims by whether
// their lock is held; never by their process id, host name or time.
TEST_F(LedgerTest, ClaimsBlockWhileTheirLockIsHeldAndAfterTheirCommandEnded) {
    const pid_t gone = fork();  // a process id that no longer runs
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string here = hostName();
    // How the claim's lock is found: held, its file gone, its file left free
    // by a killed command, or no lock at all (written by an earlier build).
    enum class Lock { None, Held, Released, LeftFree, Absent };
    struct Row {
        const char* name;
        const char* outcome;
        int64_t pid;
        std::string host;
        Lock lock;
        const char* blocks;       // the outcome read back; nullptr: not blocked
        const char* blocksAgain;  // the same with --again
        bool changed = false;
    };
    const Row rows[] = {
        {"accepted", kLedgerAccepted, 0, "", Lock::None, kLedgerAccepted, nullptr},
        {"accepted, but the file changed while sent", kLedgerAccepted, 0, "", Lock::None, nullptr,
         nullptr, true},
        {"held, though its pid is gone and its host renamed", kLedgerBeingSent, gone, "laptop-old",
         Lock::Held, kLedgerBeingSent, kLedgerBeingSent},
        {"released, though its pid runs here", kLedgerBeingSent, getppid(), here, Lock::Released,
         kLedgerMayHaveBeenReceived, nullptr},
        {"left free by a killed command on another host", kLedgerBeingSent, 1, "laptop-old",
         Lock::LeftFree, kLedgerMayHaveBeenReceived, nullptr},
        {"without a lock", kLedgerBeingSent, getppid(), here, Lock::Absent, kLedgerBeingSent, nullptr},
    };
    for (const Row& row : rows) {
        const fs::path path = dir_ / row.name / "ledger.sqlite";
        Ledger ledger(path);
        std::optional<ClaimLock> held;
        LedgerEntry e{"demo", "sha256:aa", "a.mp4", 5, "A", row.outcome, ""};
        e.pid = row.pid;
        e.host = row.host;
        e.fileChanged = row.changed;
        if (row.lock == Lock::Held || row.lock == Lock::Released) {
            held.emplace(path);
            e.claimLock = held->token();
            if (row.lock == Lock::Released) held.reset();
        } else if (row.lock == Lock::LeftFree) {
            e.claimLock = "0123456789abcdef0123456789abcdef";
            std::ofstream(path.string() + "-claim-" + e.claimLock).flush();
        }
        ledger.record(e);
        for (bool again : {false, true}) {
            const char* expected = again ? row.blocksAgain : row.blocks;
            LedgerClaim claim;
            auto blocked = ledger.claim(e, again, claim);
            EXPECT_EQ(blocked.has_value(), expected != nullptr) << row.name << again;
            if (blocked && expected) EXPECT_EQ(blocked->outcome, expected) << row.name << again;
            if (!blocked) ledger.settle(claim.id, "refused", "", 5, false);  // gone again
        }
        EXPECT_EQ(ledger.entries().size(), 1u) << row.name;
        // Only the held lock's file is left: a free one is removed once found.
        EXPECT_EQ(lockFiles(path.parent_path()), row.lock == Lock::Held ? 1u : 0u) << row.name;
    }
    // A claim is turned into its outcome; its lock goes with its holder.
    const fs::path path = dir_ / "settled" / "ledger.sqlite";
    Ledger ledger(path);
    {
        LedgerClaim claim;
        ASSERT_FALSE(ledger.claim({"demo", "sha256:aa", "a.mp4", 5, "A", kLedgerAccepted, ""}, false, claim));
        EXPECT_EQ(ledger.entries().at(0).outcome, kLedgerBeingSent);
        EXPECT_TRUE(fs::exists(path.string() + "-claim-" + claim.lock.token()));
        EXPECT_TRUE(ledger.claimKept(claim.id));
        ledger.settle(claim.id, kLedgerAccepted, "fine", 5, false);
        EXPECT_FALSE(ledger.claimKept(claim.id));
    }
    EXPECT_EQ(ledger.entries().at(0).outcome, kLedgerAccepted);
    EXPECT_EQ(ledger.entries().size(), 1u);
    EXPECT_EQ(lockFiles(path.parent_path()), 0u);
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
                KeptLists(own).keep("list " + std::to_string(w), std::to_string(i));
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(Ledger(path).entries().size(), 1u + kWriters * kEach);
}

}  // namespace
}  // namespace clipferry::cli
