// Skips and notes for a batch, over the ledger and the fingerprint.
#include "batch_ledger.h"

#include "fingerprint.h"
#include "text.h"

namespace clipferry::cli {

BatchLedger::BatchLedger(const std::optional<std::filesystem::path>& path, std::ostream& warnings)
    : warnings_(warnings) {
    if (!path) {
        warn("neither XDG_STATE_HOME nor HOME names a folder for it");
        return;
    }
    try {
        ledger_ = std::make_unique<Ledger>(*path);
    } catch (const LedgerError& e) {
        warn(e.what());
    }
}

void BatchLedger::warn(const std::string& text) {
    warnings_ << "clipferry: warning: the ledger of uploads cannot be used (" << text
              << "); files published before are not skipped and this run is not noted\n";
}

std::string BatchLedger::fingerprint(const std::string& file) {
    auto found = fingerprints_.find(file);
    if (found != fingerprints_.end()) return found->second;
    std::string print;
    try {
        print = fingerprintFile(file);
    } catch (const FingerprintError&) {
        // The checks say what is wrong with the file.
    }
    fingerprints_[file] = print;
    return print;
}

std::optional<LedgerEntry> BatchLedger::earlier(const std::string& user, const std::string& file) {
    if (!ledger_) return std::nullopt;
    const std::string print = fingerprint(file);
    if (print.empty()) return std::nullopt;
    try {
        return ledger_->latest(user, print);
    } catch (const LedgerError& e) {
        warn(e.what());
        ledger_.reset();
        return std::nullopt;
    }
}

LedgerSplit BatchLedger::split(const std::string& user, const std::vector<UploadJob>& jobs,
                               bool again) {
    LedgerSplit split;
    for (const UploadJob& job : jobs) {
        auto entry = again ? std::nullopt : earlier(user, job.file);
        if (entry) {
            split.earlier[job.file] = *entry;
        } else {
            split.toSend.push_back(job);
        }
    }
    return split;
}

void BatchLedger::note(const std::string& user, const UploadOutcome& outcome) {
    const bool accepted = outcome.verdict == Verdict::Accepted;
    if (!ledger_ || !(accepted || outcome.verdict == Verdict::MayHaveBeenReceived)) return;
    LedgerEntry entry;
    entry.user = user;
    entry.fingerprint = fingerprint(outcome.file);
    if (entry.fingerprint.empty()) return;
    entry.path = outcome.file;
    entry.size = outcome.bytes;
    entry.title = outcome.title;
    entry.outcome = accepted ? kLedgerAccepted : kLedgerMayHaveBeenReceived;
    entry.message = outcome.message;
    try {
        ledger_->record(entry);
    } catch (const LedgerError& e) {
        warn(e.what());
        ledger_.reset();
    }
}

std::string skippedLine(const std::string& file, const LedgerEntry& entry) {
    std::string line = "skipped: " + visible(file) + ", " + entry.outcome + " " +
                       entry.localTime.substr(0, 10) + " as '" + visible(entry.title) + "'";
    if (entry.outcome == kLedgerMayHaveBeenReceived) {
        line += " (no verdict came; look for it among your videos)";
    }
    return line;
}

UploadOutcome skippedOutcome(const std::string& file, const LedgerEntry& entry) {
    UploadOutcome outcome;
    outcome.file = file;
    outcome.title = entry.title;
    outcome.bytes = entry.size;
    outcome.verdict = Verdict::Skipped;
    outcome.message = entry.message;
    outcome.publishedAt = entry.time;
    return outcome;
}

}  // namespace clipferry::cli
