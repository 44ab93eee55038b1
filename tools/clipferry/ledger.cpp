// The ledger's SQLite storage: the schema, the statements, the locking.
#include "ledger.h"

#include <sqlite3.h>

#include <chrono>
#include <system_error>
#include <thread>

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
    "CREATE TABLE IF NOT EXISTS lists ("
    "  key TEXT PRIMARY KEY, value TEXT NOT NULL, fetched INTEGER NOT NULL);";

struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// One prepared statement: bind in order, then step.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        sqlite3_stmt* raw = nullptr;
        check(sqlite3_prepare_v2(db, sql, -1, &raw, nullptr));
        statement_.reset(raw);
    }
    Statement& bind(const std::string& text) {
        check(sqlite3_bind_text(statement_.get(), ++bound_, text.data(),
                                static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int64_t number) {
        check(sqlite3_bind_int64(statement_.get(), ++bound_, number));
        return *this;
    }
    // True while there is a row to read.
    bool step() {
        int result = sqlite3_step(statement_.get());
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) check(result);
        return false;
    }
    std::string text(int column) const {
        const unsigned char* value = sqlite3_column_text(statement_.get(), column);
        return value ? reinterpret_cast<const char*>(value) : "";
    }
    int64_t number(int column) const { return sqlite3_column_int64(statement_.get(), column); }

private:
    void check(int result) const {
        if (result != SQLITE_OK) throw LedgerError(sqlite3_errmsg(db_), result & 0xff);
    }
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
    int bound_ = 0;
};

constexpr char kEntryColumns[] =
    "user, fingerprint, path, size, title, outcome, message, time, datetime(time, 'localtime')";

LedgerEntry readEntry(const Statement& row) {
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
    return entry;
}
}  // namespace

std::optional<fs::path> ledgerPath(const EnvLookup& env) {
    if (auto xdg = env("XDG_STATE_HOME"); xdg && fs::path(*xdg).is_absolute()) {
        return fs::path(*xdg) / "clipferry" / "ledger.sqlite";
    }
    if (auto home = env("HOME"); home && !home->empty()) {
        return fs::path(*home) / ".local" / "state" / "clipferry" / "ledger.sqlite";
    }
    return std::nullopt;
}

Ledger::Ledger(const fs::path& path, bool create) : path_(path) {
    if (create) {
        std::error_code error;
        if (fs::create_directories(path.parent_path(), error)) {
            fs::permissions(path.parent_path(), fs::perms::owner_all, error);
        }
        if (error) {
            throw LedgerError("cannot create " + path.parent_path().string() + ": " +
                              error.message());
        }
    }
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int result = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close(db_);
        db_ = nullptr;
        throw LedgerError(path.string() + ": " + why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // Switching a new database to write-ahead logging can meet another command
    // doing the same, and SQLite answers that with "locked" at once instead of
    // waiting: such a first open is tried again until the busy timeout passes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            // Write-ahead logging: readers and one writer do not wait for each other.
            Statement(db_, "PRAGMA journal_mode=WAL").step();
            execute("BEGIN IMMEDIATE");
            execute(kSchema);
            execute("COMMIT");
            return;
        } catch (const LedgerError& e) {
            const bool busy = e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED;
            if (!busy || std::chrono::steady_clock::now() >= deadline) {
                sqlite3_close(db_);
                db_ = nullptr;
                throw LedgerError(path.string() + ": " + e.what());
            }
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

std::optional<LedgerEntry> Ledger::latest(const std::string& user, const std::string& fingerprint) {
    Statement query(db_, (std::string("SELECT ") + kEntryColumns +
                          " FROM uploads WHERE user = ? AND fingerprint = ? ORDER BY id DESC LIMIT 1")
                             .c_str());
    query.bind(user).bind(fingerprint);
    if (!query.step()) return std::nullopt;
    return readEntry(query);
}

void Ledger::record(const LedgerEntry& entry) {
    Statement insert(db_,
                     "INSERT INTO uploads (user, fingerprint, path, size, title, outcome, message, "
                     "time) VALUES (?, ?, ?, ?, ?, ?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))");
    insert.bind(entry.user).bind(entry.fingerprint).bind(entry.path)
        .bind(static_cast<int64_t>(entry.size)).bind(entry.title).bind(entry.outcome)
        .bind(entry.message);
    insert.step();
}

std::vector<LedgerEntry> Ledger::entries() {
    Statement query(db_, (std::string("SELECT ") + kEntryColumns + " FROM uploads ORDER BY id").c_str());
    std::vector<LedgerEntry> entries;
    while (query.step()) entries.push_back(readEntry(query));
    return entries;
}

std::optional<std::string> Ledger::cached(const std::string& key, std::chrono::seconds maxAge) {
    Statement query(db_, "SELECT value FROM lists WHERE key = ? AND "
                         "fetched > CAST(strftime('%s', 'now') AS INTEGER) - ?");
    query.bind(key).bind(static_cast<int64_t>(maxAge.count()));
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

void Ledger::keep(const std::string& key, const std::string& value) {
    Statement insert(db_, "INSERT OR REPLACE INTO lists (key, value, fetched) "
                          "VALUES (?, ?, CAST(strftime('%s', 'now') AS INTEGER))");
    insert.bind(key).bind(value);
    insert.step();
}

}  // namespace clipferry::cli
