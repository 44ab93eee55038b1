// Opening the ledger safely: the checks made on its folder and files before
// SQLite opens them (links, foreign files, modes), each throwing LedgerError.
#pragma once

#include <filesystem>
#include <string>

namespace clipferry::cli {

// The folder exists (it is made, mode 0700, if not), is the user's own and
// is closed to other users.
void checkLedgerFolder(const std::filesystem::path& folder);

// The database (`database`, made empty if missing) or its -wal or -shm: a
// file of ours, never a link, readable by its owner alone; a leftover of
// another mode is put right.
void checkLedgerFile(const std::filesystem::path& file, bool database);

// "file:" and the path, with what a URI would take for its own escaped, then `query`.
std::string sqliteFileUri(const std::filesystem::path& path, const char* query);

}  // namespace clipferry::cli
