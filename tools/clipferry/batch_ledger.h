// The ledger as a batch of uploads uses it: which files this user published
// before, and the note made after each upload. The ledger failing is said
// once as a warning and the uploads go on without it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config.h"
#include "ledger.h"
#include "options.h"
#include "upload_batch.h"

namespace clipferry::cli {

// A batch split by what the ledger holds.
struct LedgerSplit {
    std::vector<UploadJob> toSend;
    std::map<std::string, LedgerEntry> earlier;  // by file: why it is left out
};

class BatchLedger {
public:
    // Opens the ledger at `path` (empty: none could be named).
    BatchLedger(const std::optional<std::filesystem::path>& path, std::ostream& warnings);

    // Null when the ledger could not be opened.
    Ledger* ledger() { return ledger_.get(); }

    // What the ledger holds for this user's file (by content, whatever its
    // name now), if anything.
    std::optional<LedgerEntry> earlier(const std::string& user, const std::string& file);

    // The jobs this user sent before left out, unless `again`.
    LedgerSplit split(const std::string& user, const std::vector<UploadJob>& jobs, bool again);

    // Accepted and may-have-been-received uploads are noted; others are not.
    void note(const std::string& user, const UploadOutcome& outcome);

private:
    std::string fingerprint(const std::string& file);  // empty when it cannot be computed
    void warn(const std::string& text);

    std::unique_ptr<Ledger> ledger_;
    std::ostream& warnings_;
    std::map<std::string, std::string> fingerprints_;
};

// "skipped: harbour.mp4, accepted 2026-12-01 as 'Harbour'"
std::string skippedLine(const std::string& file, const LedgerEntry& entry);

// The outcome of a file not sent because of what the ledger holds.
UploadOutcome skippedOutcome(const std::string& file, const LedgerEntry& entry);

}  // namespace clipferry::cli
