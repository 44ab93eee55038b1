// The ledger: a SQLite database of what the service accepted (or may have
// received), per user and file fingerprint, so a batch run again sends only
// what is new. A file is claimed in it before its first byte goes out, so two
// commands never send it at once and a command that dies leaves a trace. It
// also keeps fingerprints by file identity and the service's lists for a
// while (list_cache.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/claim_lock.h"
#include "store/config.h"
#include "store/fingerprint.h"

struct sqlite3;

namespace clipferry::cli {

struct LedgerError : std::runtime_error {
    explicit LedgerError(const std::string& what, int sqliteCode = 0)
        : std::runtime_error(what), code(sqliteCode) {}
    int code;  // SQLite's primary result code, 0 when the error is not SQLite's
};

// What a ledger entry says of an upload.
constexpr char kLedgerAccepted[] = "accepted";
constexpr char kLedgerMayHaveBeenReceived[] = "may have been received";
// A claim: a command is sending the file now, and holds its lock while it does
// (claim_lock.h). One whose command is gone reads as may have been received
// (the file may have gone out in full).
constexpr char kLedgerBeingSent[] = "being sent";

struct LedgerEntry {
    std::string user;
    std::string fingerprint;  // fingerprint.h
    // Absolute and normal; as given on the command line in an entry noted
    // before paths were kept whole (maybe relative to a folder not known).
    std::string path;
    uint64_t size = 0;
    std::string title;
    std::string outcome;  // one of the kLedger... texts
    std::string message;  // the service's verdict, empty when none came
    std::string time;     // UTC, "2026-12-01T10:11:12Z"; set by the ledger
    std::string localTime;  // on reading: "2026-12-01 11:11:12", the local time
    int64_t id = 0;         // the entry's row, set on reading
    int64_t pid = 0;        // the command that claimed it, as it saw itself
    std::string host;       // and the machine's name then; neither decides whether it runs
    std::string claimLock;  // of a claim: the token naming its lock, empty for one without
    // The file changed between the claim and the verdict: what went out is not
    // known, so the entry is shown but never used to skip a file.
    bool fileChanged = false;
    // Of a claim read back: its command is gone, so the outcome says may have been received.
    bool claimEnded = false;
    // Of a claim read back: it has no lock to ask (an earlier build wrote it)
    // or its lock cannot be looked at, so whether its command runs cannot be told.
    bool claimUncertain = false;
    // Of an entry an earlier release noted: the file at the path it noted no
    // longer holds what it noted (set by the batch, never stored).
    bool changedSinceNoted = false;
};

// A claim this command holds: its row and its lock, dropped with it.
struct LedgerClaim {
    int64_t id = 0;
    ClaimLock lock;
};

// $XDG_STATE_HOME/clipferry/ledger.sqlite, else
// $HOME/.local/state/clipferry/ledger.sqlite; empty when neither helps.
std::optional<std::filesystem::path> ledgerPath(const EnvLookup& env);

// This machine's name, as claims record it.
std::string hostName();

// One connection. Every change is one transaction and waits up to a few
// seconds for another command holding the database, so commands running at
// once share it and a killed one leaves it whole. Throws LedgerError.
class Ledger {
public:
    enum class Access { Write, Read };
    // Write: creates the folder (0700) and the database (0600) when missing;
    // refuses a folder other users can enter and a link in the database's
    // place. Read: never writes (a missing file is a LedgerError).
    explicit Ledger(const std::filesystem::path& path, Access access = Access::Write);
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // What keeps this user's file from being sent: an accepted or
    // may-have-been-received entry or a claim that cannot be told live or
    // gone (not with `again`), or a claim whose lock is held (with `again`
    // too). A claim whose command ended reads as may have been received.
    std::optional<LedgerEntry> blocking(const std::string& user, const std::string& fingerprint,
                                        bool again);
    // In one transaction: what blocks the file, or else a new claim by this
    // process, locked for as long as `claim` holds it, and none.
    std::optional<LedgerEntry> claim(const LedgerEntry& entry, bool again, LedgerClaim& claim);
    // The verdict: an accepted or may-have-been-received outcome replaces the
    // claim; any other removes it.
    void settle(int64_t claimId, const std::string& outcome, const std::string& message,
                uint64_t size, bool fileChanged);
    void record(const LedgerEntry& entry);
    // Every entry, oldest first.
    std::vector<LedgerEntry> entries();
    // Whether the claim is still in the ledger as being sent.
    bool claimKept(int64_t claimId);

    // This user's entries with a fingerprint of an earlier release (1.0's
    // sampled "SIZE:HEX"), newest first; and one of them given the
    // fingerprint of today once its file is found to match.
    std::vector<LedgerEntry> earlierReleaseEntries(const std::string& user);
    void upgradeFingerprint(const LedgerEntry& entry, const std::string& fingerprint);

    // The newest accepted or may-have-been-received entry of this user noted
    // from `path` (absolute), or from `typed`, the path as given, which an
    // entry noted before paths were kept whole may hold.
    std::optional<LedgerEntry> publishedFrom(const std::string& user, const std::string& path,
                                             const std::string& typed);

private:
    // The caches kept in the same database, each a type of its own.
    friend class FingerprintCache;
    friend class KeptLists;

    void open(const std::string& name, int flags);
    void execute(const char* sql);
    void prepareForWriting();
    // The entries `where` picks, its placeholders bound to `values` in order.
    std::vector<LedgerEntry> select(const std::string& where, const std::vector<std::string>& values = {});
    std::filesystem::path path_;
    sqlite3* db_ = nullptr;  // owned; closed by the destructor
    bool writable_ = false;
    // The claims' columns as read; an earlier ledger read without writing lacks some.
    std::string claimColumns_ = ", pid, host, file_changed, claim_lock";
};

}  // namespace clipferry::cli
