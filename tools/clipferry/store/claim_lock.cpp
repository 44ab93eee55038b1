// Claim locks: flock(2) on a file per claim, in the ledger's own folder.
#include "store/claim_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/file_descriptor.h"
#include "store/ledger.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {
constexpr size_t kTokenBytes = 16;

std::string newToken() {
    unsigned char bytes[kTokenBytes];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw LedgerError(std::string("no random bytes for a claim: ") + std::strerror(errno));
        got += static_cast<size_t>(n);
    }
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char byte : bytes) {
        token += digits[byte >> 4];
        token += digits[byte & 15];
    }
    return token;
}

// A token read from the ledger names a file only when it is one of ours.
bool wellFormed(const std::string& token) {
    if (token.size() != 2 * kTokenBytes) return false;
    for (char c : token) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

fs::path lockFile(const fs::path& ledger, const std::string& token) {
    return ledger.string() + "-claim-" + token;
}
}  // namespace

ClaimLock::ClaimLock(const fs::path& ledger) : token_(newToken()) {
    const fs::path file = lockFile(ledger, token_);
    fd_ = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        throw LedgerError("cannot create the claim's lock " + file.string() + ": " + std::strerror(errno));
    }
    file_ = file;
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const std::string why = std::strerror(errno);
        release();
        throw LedgerError("cannot lock " + file.string() + ": " + why);
    }
}

ClaimLock::~ClaimLock() { release(); }

ClaimLock::ClaimLock(ClaimLock&& other) noexcept
    : file_(std::move(other.file_)), token_(std::move(other.token_)), fd_(other.fd_) {
    other.fd_ = -1;
}

ClaimLock& ClaimLock::operator=(ClaimLock&& other) noexcept {
    if (this != &other) {
        release();
        file_ = std::move(other.file_);
        token_ = std::move(other.token_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void ClaimLock::release() noexcept {
    if (fd_ < 0) return;
    unlink(file_.c_str());  // while still held: no one finds it free and still there
    close(fd_);
    fd_ = -1;
}

ClaimState claimState(const fs::path& ledger, const std::string& token, bool tidy) {
    if (!wellFormed(token)) return ClaimState::Uncertain;
    const fs::path file = lockFile(ledger, token);
    // Non-blocking, so a FIFO put in its place cannot hold the command up.
    FileDescriptor lock(open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!lock.valid()) return errno == ENOENT ? ClaimState::Gone : ClaimState::Uncertain;
    struct stat info {};
    if (fstat(lock.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ClaimState::Uncertain;
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? ClaimState::Held : ClaimState::Uncertain;
    }
    if (tidy) unlink(file.c_str());
    return ClaimState::Gone;
}

}  // namespace clipferry::cli
