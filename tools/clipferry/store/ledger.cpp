// The ledger's SQLite storage: the schema, the statements, the locking, the
// claims and their settling. Who may open its files is ledger_files.cpp.
#include "store/ledger.h"

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "progress/clock.h"
#include "store/ledger_files.h"
#include "store/ledger_statement.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {
// Long enough for another command's insert to finish; short enough that a
// stuck one is noticed.
constexpr int kBusyTimeoutMs = 10000;

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS uploads ("
    "  id INTEGER PRIMARY KEY,"
    "  user TEXT NOT NULL, fingerprint TEXT NOT NULL, path TEXT NOT NULL,"
    "  size INTEGER NOT NULL, title TEXT NOT NULL, outcome TEXT NOT NULL,"
    "  message TEXT NOT NULL, time TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS uploads_by_file ON uploads (user, fingerprint);"
    "CREATE INDEX IF NOT EXISTS uploads_by_path ON uploads (user, path);"
    "CREATE TABLE IF NOT EXISTS lists ("
    "  key TEXT PRIMARY KEY, value TEXT NOT NULL, fetched INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS fingerprints ("
    "  device INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL,"
    "  modified INTEGER NOT NULL, changed INTEGER NOT NULL, fingerprint TEXT NOT NULL,"
    "  PRIMARY KEY (device, inode));";
// The claim's columns, added to an earlier ledger's table as it is opened for
// writing. A claim without a lock (claim_lock.h) cannot be told live or gone.
constexpr const char* kClaimColumns[][2] = {
    {"pid", "INTEGER NOT NULL DEFAULT 0"},
    {"host", "TEXT NOT NULL DEFAULT ''"},
    {"file_changed", "INTEGER NOT NULL DEFAULT 0"},
    {"claim_lock", "TEXT NOT NULL DEFAULT ''"},
};

constexpr char kEntryColumns[] =
    "user, fingerprint, path, size, title, outcome, message, time, datetime(time, 'localtime'), id";
// A claim is live while its lock is held. Only a ledger opened for writing
// (`tidy`) removes a lock file found free.
LedgerEntry readEntry(const Statement& row, const fs::path& ledger, bool tidy) {
    LedgerEntry entry;
    entry.user = row.text(0);
    entry.fingerprint = row.text(1);
    entry.path = row.text(2);
    entry.size = static_cast<uint64_t>(row.number(3));
    entry.title = row.text(4);
    entry.outcome = row.text(5);
    entry.message = row.text(6);
    entry.time = row.text(7);
    entry.localTime = row.text(8);
    entry.id = row.number(9);
    entry.pid = row.number(10);
    entry.host = row.text(11);
    entry.fileChanged = row.number(12) != 0;
    if (entry.outcome != kLedgerBeingSent) return entry;
    switch (claimState(ledger, row.text(13), tidy)) {
        case ClaimState::Held:
            break;
        case ClaimState::Gone:
            entry.outcome = kLedgerMayHaveBeenReceived;
            entry.claimEnded = true;
            break;
        case ClaimState::Uncertain:
            entry.claimUncertain = true;
            break;
    }
    return entry;
}

}  // namespace

std::optional<fs::path> ledgerPath(const EnvLookup& env) {
    auto folder = xdgFolder(env, "XDG_STATE_HOME", fs::path(".local") / "state");
    if (!folder) return std::nullopt;
    return *folder / "ledger.sqlite";
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

Ledger::Ledger(const fs::path& path, Access access) : path_(path) {
    if (access == Access::Write) {
        checkLedgerFolder(path.parent_path());
        checkLedgerFile(path, true);
        checkLedgerFile(path.string() + "-wal", false);
        checkLedgerFile(path.string() + "-shm", false);
        open(path.string(), SQLITE_OPEN_READWRITE);
        try {
            prepareForWriting();
            writable_ = true;
        } catch (const LedgerError& e) {
            sqlite3_close(db_);
            db_ = nullptr;
            throw LedgerError(path.string() + ": " + e.what(), e.code);
        }
        return;
    }
    // Reading needs the -shm, which a read-only folder or a leftover -shm of
    // another mode can keep SQLite from making or writing; the database is
    // then read as it is on disk, as a file no one writes.
    for (const char* query : {"?mode=ro", "?immutable=1"}) {
        open(sqliteFileUri(path, query), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        try {
            // An earlier ledger lacks some of the claims' columns, and reading adds none.
            claimColumns_.clear();
            for (const auto& column : kClaimColumns) {
                Statement has(db_, "SELECT count(*) FROM pragma_table_info('uploads') WHERE name = ?");
                has.bind(std::string(column[0]));
                has.step();
                const std::string absent = std::string(column[1]).find("TEXT") == 0 ? "''" : "0";
                claimColumns_ += ", " + (has.number(0) > 0 ? std::string(column[0]) : absent);
            }
            return;
        } catch (const LedgerError& e) {
            sqlite3_close(db_);
            db_ = nullptr;
            if (std::string(query) != "?mode=ro") throw LedgerError(path.string() + ": " + e.what(), e.code);
        }
    }
}

void Ledger::open(const std::string& name, int flags) {
    int result = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (result != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close(db_);
        db_ = nullptr;
        if (fs::is_symlink(path_)) why = "a symbolic link; the ledger is never opened through one";
        throw LedgerError(path_.string() + ": " + why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

void Ledger::prepareForWriting() {
    // Switching a new database to write-ahead logging can meet another command
    // doing the same, and SQLite answers that with "locked" at once instead of
    // waiting: such a first open is tried again until the busy timeout passes.
    const double deadline = steadySeconds() + kBusyTimeoutMs / 1000.0;
    for (;;) {
        try {
            // Write-ahead logging: readers and one writer do not wait for each other.
            Statement(db_, "PRAGMA journal_mode=WAL").step();
            execute("BEGIN IMMEDIATE");
            execute(kSchema);
            for (const auto& column : kClaimColumns) {
                Statement has(db_, "SELECT count(*) FROM pragma_table_info('uploads') WHERE name = ?");
                has.bind(std::string(column[0]));
                has.step();
                if (has.number(0) == 0) {
                    execute((std::string("ALTER TABLE uploads ADD COLUMN ") + column[0] + " " +
                             column[1]).c_str());
                }
            }
            execute("COMMIT");
            return;
        } catch (const LedgerError& e) {
            if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            const bool busy = e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED;
            if (!busy || steadySeconds() >= deadline) throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Ledger::~Ledger() { sqlite3_close(db_); }

void Ledger::execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string why = error ? error : sqlite3_errmsg(db_);
        const int code = sqlite3_errcode(db_);
        sqlite3_free(error);
        if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw LedgerError(why, code);
    }
}

std::vector<LedgerEntry> Ledger::select(const std::string& where,
                                        const std::vector<std::string>& values) {
    Statement query(db_, std::string("SELECT ") + kEntryColumns + claimColumns_ + " FROM uploads " + where);
    for (const std::string& value : values) query.bind(value);
    std::vector<LedgerEntry> entries;
    while (query.step()) entries.push_back(readEntry(query, path_, writable_));
    return entries;
}

std::optional<LedgerEntry> Ledger::blocking(const std::string& user, const std::string& fingerprint,
                                            bool again) {
    const std::vector<LedgerEntry> found =
        select("WHERE user = ? AND fingerprint = ? AND file_changed = 0 ORDER BY id DESC",
               {user, fingerprint});
    for (const LedgerEntry& entry : found) {
        // A claim whose command holds its lock blocks even --again: the file is going out now.
        if (entry.outcome == kLedgerBeingSent && !entry.claimUncertain) return entry;
        if (!again) return entry;
    }
    return std::nullopt;
}

std::optional<LedgerEntry> Ledger::claim(const LedgerEntry& entry, bool again, LedgerClaim& claim) {
    // Locked before the claim is written, so no one ever reads it unlocked while it lives.
    ClaimLock lock(path_);
    execute("BEGIN IMMEDIATE");
    try {
        if (auto found = blocking(entry.user, entry.fingerprint, again)) {
            execute("COMMIT");
            return found;
        }
        Statement insert(db_,
                         "INSERT INTO uploads (user, fingerprint, path, size, title, outcome, "
                         "message, time, pid, host, claim_lock) VALUES (?, ?, ?, ?, ?, ?, '', "
                         "strftime('%Y-%m-%dT%H:%M:%SZ', 'now'), ?, ?, ?)");
        insert.bind(entry.user).bind(entry.fingerprint).bind(entry.path)
            .bind(static_cast<int64_t>(entry.size)).bind(entry.title)
            .bind(std::string(kLedgerBeingSent)).bind(static_cast<int64_t>(getpid()))
            .bind(hostName()).bind(lock.token());
        insert.step();
        const int64_t id = sqlite3_last_insert_rowid(db_);
        execute("COMMIT");
        claim = LedgerClaim{id, std::move(lock)};
    } catch (const LedgerError&) {
        if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return std::nullopt;
}

void Ledger::settle(int64_t claimId, const std::string& outcome, const std::string& message,
                    uint64_t size, bool fileChanged) {
    if (outcome != kLedgerAccepted && outcome != kLedgerMayHaveBeenReceived) {
        Statement(db_, "DELETE FROM uploads WHERE id = ?").bind(claimId).step();
        return;
    }
    Statement update(db_, "UPDATE uploads SET outcome = ?, message = ?, size = ?, file_changed = ?, "
                          "time = strftime('%Y-%m-%dT%H:%M:%SZ', 'now') WHERE id = ?");
    update.bind(outcome).bind(message).bind(static_cast<int64_t>(size))
        .bind(static_cast<int64_t>(fileChanged)).bind(claimId);
    update.step();
    if (sqlite3_changes(db_) != 1) throw LedgerError("the claim of this upload is gone from the ledger");
}

void Ledger::record(const LedgerEntry& entry) {
    Statement insert(db_,
                     "INSERT INTO uploads (user, fingerprint, path, size, title, outcome, message, "
                     "time, pid, host, file_changed, claim_lock) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'), ?, ?, ?, ?)");
    insert.bind(entry.user).bind(entry.fingerprint).bind(entry.path)
        .bind(static_cast<int64_t>(entry.size)).bind(entry.title).bind(entry.outcome)
        .bind(entry.message).bind(entry.pid).bind(entry.host)
        .bind(static_cast<int64_t>(entry.fileChanged)).bind(entry.claimLock);
    insert.step();
}

std::vector<LedgerEntry> Ledger::entries() { return select("ORDER BY id"); }

bool Ledger::claimKept(int64_t claimId) {
    Statement query(db_, "SELECT count(*) FROM uploads WHERE id = ? AND outcome = ?");
    query.bind(claimId).bind(std::string(kLedgerBeingSent));
    query.step();
    return query.number(0) > 0;
}

std::vector<LedgerEntry> Ledger::earlierReleaseEntries(const std::string& user) {
    return select("WHERE user = ? AND fingerprint NOT LIKE ? AND file_changed = 0 ORDER BY id DESC",
                  {user, std::string(kFingerprintPrefix) + "%"});
}

std::optional<LedgerEntry> Ledger::publishedFrom(const std::string& user, const std::string& path,
                                                 const std::string& typed) {
    const std::vector<LedgerEntry> found =
        select("WHERE user = ? AND path IN (?, ?) AND outcome IN (?, ?) ORDER BY id DESC LIMIT 1",
               {user, path, typed, kLedgerAccepted, kLedgerMayHaveBeenReceived});
    if (found.empty()) return std::nullopt;
    return found.front();
}

void Ledger::upgradeFingerprint(const LedgerEntry& entry, const std::string& fingerprint) {
    Statement(db_, "UPDATE uploads SET fingerprint = ? WHERE id = ? AND fingerprint = ?")
        .bind(fingerprint).bind(entry.id).bind(entry.fingerprint).step();
}

}  // namespace clipferry::cli
