// The ledger as a batch of uploads uses it: which files this user published
// before, the claim made before each file's first byte, and the note that
// the verdict turns it into. A ledger that cannot be used stops the batch
// (LedgerError) unless the user chose to go without one.
#pragma once

#include <map>
#include <utility>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "store/config.h"
#include "store/fingerprint.h"
#include "store/ledger.h"
#include "commands/upload/upload_fields.h"
#include "commands/upload/upload_batch.h"

namespace clipferry::cli {

// A batch split by what the ledger holds.
struct LedgerSplit {
    std::vector<UploadJob> toSend;
    std::map<std::string, LedgerEntry> earlier;  // by file: why it is left out
    // By file sent: what the ledger noted from its path with other content, an earlier version.
    std::map<std::string, LedgerEntry> earlierVersions;
    // Files of this run with the same content as an earlier one of it:
    // "b.mp4 holds the same bytes as a.mp4: sent once".
    std::vector<std::string> repeats;
};

// Shown while a large file is hashed: its name, bytes hashed, its size.
using CheckingProgress = std::function<void(const std::string& file, uint64_t done, uint64_t total)>;

class BatchLedger {
public:
    // Opens the ledger at `path`; throws LedgerError when it cannot be used
    // (none named, a link, a folder others can read, a broken database). A
    // null path with `use` false: no ledger, nothing skipped, nothing noted.
    BatchLedger(const std::optional<std::filesystem::path>& path, bool use,
                CheckingProgress checking = {});

    // Null without a ledger (--no-ledger).
    Ledger* ledger() { return ledger_.get(); }

    // The jobs this user sent before left out (unless `again`), and a file
    // whose content an earlier job of the batch has. Throws LedgerError.
    LedgerSplit split(const std::string& user, const std::vector<UploadJob>& jobs, bool again);

    // Before the job's first byte: what keeps it from being sent, or none
    // and a claim of it. Throws LedgerError.
    std::optional<LedgerEntry> claim(const std::string& user, const UploadJob& job, bool again);

    // After the verdict: the claim becomes the outcome, and its lock is
    // dropped whatever happens. True when the file changed since it was
    // claimed (the note then never skips it). Throws NoteFailed.
    bool settle(const UploadOutcome& outcome);

private:
    // The file's fingerprint now: the kept one while its identity holds,
    // else hashed again; empty when it cannot be read (the checks say why).
    const Fingerprint* current(const std::string& file);
    // Keeps the fingerprints hashed since last time, in one transaction.
    void keepFingerprints();
    // What an earlier release noted of this file: an entry whose sampled
    // fingerprint the file still has (given today's fingerprint on the way),
    // or else one noted from the file's path that it no longer matches.
    std::optional<LedgerEntry> notedByEarlierRelease(const std::string& user, const std::string& file,
                                                     const Fingerprint& print);

    std::unique_ptr<Ledger> ledger_;
    CheckingProgress checking_;
    std::map<std::string, Fingerprint> fingerprints_;
    std::vector<Fingerprint> toKeep_;  // hashed, settled, not yet in the ledger
    // What an earlier release noted for the batch's user, read once, looked up
    // by the size its fingerprint names and by the path it noted (as given,
    // and as device and inode when absolute); an entry matched is taken out.
    struct EarlierRelease {
        std::vector<std::optional<LedgerEntry>> entries;  // newest first
        std::multimap<uint64_t, size_t> bySize;
        std::map<std::string, size_t> byPath;
        std::map<std::pair<uint64_t, uint64_t>, size_t> byFile;
    };
    std::optional<EarlierRelease> earlierRelease_;
    struct Claim {
        std::string file;
        LedgerClaim held;
        FileIdentity identity;
    };
    std::optional<Claim> claim_;  // the file under way
};

// The verdict could not be noted. `claimKept`: the claim is still in the
// ledger, so a later run takes the file for one whose verdict never came.
struct NoteFailed : LedgerError {
    NoteFailed(const LedgerError& error, bool kept) : LedgerError(error), claimKept(kept) {}
    bool claimKept;
};

// "skipped: harbour.mp4, accepted 2026-12-01 as 'Harbour'"
std::string skippedLine(const std::string& file, const LedgerEntry& entry);

// The outcome of a file not sent because of what the ledger holds.
UploadOutcome skippedOutcome(const std::string& file, const LedgerEntry& entry);

}  // namespace clipferry::cli
