// Who may open the ledger's files: its folder and files are the user's own,
// never links, never readable by others; and the path as SQLite's URI.
#include "store/ledger_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "store/ledger.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {
std::string errnoText() { return std::strerror(errno); }
}  // namespace

// The folder holds the user name and what they published: theirs alone.
void checkLedgerFolder(const fs::path& folder) {
    std::error_code error;
    if (!fs::exists(folder, error)) {
        fs::create_directories(folder.parent_path(), error);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            throw LedgerError("cannot create " + folder.string() + ": " + errnoText());
        }
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        throw LedgerError("cannot use " + folder.string() + ": " + errnoText());
    }
    if (!S_ISDIR(info.st_mode)) throw LedgerError(folder.string() + " is not a folder");
    if (info.st_uid != geteuid()) {
        throw LedgerError(folder.string() + " belongs to another user; the ledger is kept only in "
                                            "a folder of your own");
    }
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        throw LedgerError(folder.string() + " can be read by other users (mode " + mode +
                          "); the ledger holds your user name and what you published: "
                          "chmod 700 " + folder.string());
    }
}

// The database, its -wal and its -shm: files of ours, never links, readable
// by their owner alone (SQLite gives the -wal and -shm it makes the
// database's mode). A leftover -wal or -shm of another mode is put right.
void checkLedgerFile(const fs::path& file, bool database) {
    struct stat info {};
    if (lstat(file.c_str(), &info) != 0) {
        if (errno != ENOENT) throw LedgerError("cannot use " + file.string() + ": " + errnoText());
        if (!database) return;
        const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            throw LedgerError("cannot create " + file.string() + ": " + errnoText());
        }
        if (fd >= 0) close(fd);
        if (lstat(file.c_str(), &info) != 0) {
            throw LedgerError("cannot use " + file.string() + ": " + errnoText());
        }
    }
    if (S_ISLNK(info.st_mode)) {
        throw LedgerError(file.string() + " is a symbolic link; the ledger is never opened through "
                                          "one: remove the link");
    }
    if (!S_ISREG(info.st_mode)) throw LedgerError(file.string() + " is not a file");
    const mode_t wanted = database ? (info.st_mode & 0700) : 0600;
    if ((info.st_mode & 07777) != wanted && chmod(file.c_str(), wanted) != 0) {
        throw LedgerError("cannot make " + file.string() + " readable by you alone: " + errnoText());
    }
}

// "file:" and the path, with what a URI would take for its own escaped.
std::string sqliteFileUri(const fs::path& path, const char* query) {
    std::string uri = "file:";
    for (char c : path.string()) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + query;
}
}  // namespace clipferry::cli
