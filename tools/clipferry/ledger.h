// The ledger: a SQLite database of what the service accepted (or may have
// received), per user and file fingerprint, so a batch run again sends only
// what is new; it also keeps the service's lists for a while (list_cache.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config.h"

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

struct LedgerEntry {
    std::string user;
    std::string fingerprint;  // fingerprint.h
    std::string path;         // as given on the command line
    uint64_t size = 0;
    std::string title;
    std::string outcome;  // kLedgerAccepted or kLedgerMayHaveBeenReceived
    std::string message;  // the service's verdict, empty when none came
    std::string time;     // UTC, "2026-12-01T10:11:12Z"; set by record()
    std::string localTime;  // on reading: "2026-12-01 11:11:12", the local time
};

// $XDG_STATE_HOME/clipferry/ledger.sqlite, else
// $HOME/.local/state/clipferry/ledger.sqlite; empty when neither helps.
std::optional<std::filesystem::path> ledgerPath(const EnvLookup& env);

// One connection. Every change is one transaction and waits up to a few
// seconds for another command holding the database, so commands running at
// once share it and a killed one leaves it whole. Throws LedgerError.
class Ledger {
public:
    // Creates the folder (mode 0700) and the database when `create`; else a
    // missing file is a LedgerError.
    explicit Ledger(const std::filesystem::path& path, bool create = true);
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The newest entry for this user's file, if any.
    std::optional<LedgerEntry> latest(const std::string& user, const std::string& fingerprint);
    void record(const LedgerEntry& entry);
    // Every entry, oldest first.
    std::vector<LedgerEntry> entries();

    // A value kept under `key` no longer ago than `maxAge`.
    std::optional<std::string> cached(const std::string& key, std::chrono::seconds maxAge);
    void keep(const std::string& key, const std::string& value);

private:
    void execute(const char* sql);
    std::filesystem::path path_;
    sqlite3* db_ = nullptr;  // owned; closed by the destructor
};

}  // namespace clipferry::cli
