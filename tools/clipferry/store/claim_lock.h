// What tells a live claim from one whose command is gone: the sending
// command holds an exclusive lock on a file of its own beside the ledger for
// as long as it sends. The system drops the lock when the process ends, however
// it ends, so neither a process id (reused, or seen through a pid namespace),
// nor a host name (renamed) nor a clock (set wrong) decides it.
#pragma once

#include <filesystem>
#include <string>

namespace clipferry::cli {

// A claim's lock, held from before the claim is written until after its
// verdict is: the file is removed, then the lock dropped, when its owner goes.
class ClaimLock {
public:
    ClaimLock() = default;
    // Makes "<ledger>-claim-<token>" (0600, never through a link) and locks
    // it. Throws LedgerError.
    explicit ClaimLock(const std::filesystem::path& ledger);
    ~ClaimLock();
    ClaimLock(ClaimLock&& other) noexcept;
    ClaimLock& operator=(ClaimLock&& other) noexcept;
    ClaimLock(const ClaimLock&) = delete;
    ClaimLock& operator=(const ClaimLock&) = delete;

    // What the claim records to name its lock: 32 hex digits.
    const std::string& token() const { return token_; }

private:
    void release() noexcept;
    std::filesystem::path file_;
    std::string token_;
    int fd_ = -1;
};

enum class ClaimState {
    Held,       // a running process holds the lock: the file is being sent
    Gone,       // no process holds it: its command ended, however
    Uncertain,  // it cannot be told (a claim without a lock, a lock file that cannot be opened)
};

// Whether the claim naming `token` is still held. With `tidy`, a lock file
// found free is removed (it can never be held again).
ClaimState claimState(const std::filesystem::path& ledger, const std::string& token, bool tidy);

}  // namespace clipferry::cli
