// Skips, claims and notes for a batch, over the ledger and the fingerprint.
#include "commands/upload/batch_ledger.h"

#include <chrono>

#include "service/interrupt.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// A file changed this recently may change again within the same tick of the
// file system's clock, unseen by its identity: its hash is not kept.
constexpr int64_t kSettledNs = 2'000'000'000;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
}  // namespace

BatchLedger::BatchLedger(const std::optional<std::filesystem::path>& path, bool use,
                         CheckingProgress checking)
    : checking_(std::move(checking)) {
    if (!use) return;
    if (!path) throw LedgerError("neither XDG_STATE_HOME nor HOME names a folder for it");
    ledger_ = std::make_unique<Ledger>(*path);
}

const Fingerprint* BatchLedger::current(const std::string& file) {
    const std::optional<FileIdentity> now = identityOf(file);
    if (!now) return nullptr;
    auto found = fingerprints_.find(file);
    if (found != fingerprints_.end() && found->second.identity == *now) return &found->second;
    if (ledger_) {
        if (auto known = ledger_->knownFingerprint(*now)) {
            return &(fingerprints_[file] = Fingerprint{*known, *now});
        }
    }
    Fingerprint print;
    const int64_t started = nowNs();
    try {
        print = fingerprintFile(file, [&](uint64_t done, uint64_t total) {
            if (checking_) checking_(file, done, total);
            return !interrupted();
        });
    } catch (const FingerprintError&) {
        fingerprints_.erase(file);
        return nullptr;  // the checks say what is wrong with the file
    }
    if (ledger_ && started - print.identity.changedNs > kSettledNs) {
        ledger_->keepFingerprint(print.identity, print.text);
    }
    return &(fingerprints_[file] = print);
}

LedgerSplit BatchLedger::split(const std::string& user, const std::vector<UploadJob>& jobs, bool again) {
    LedgerSplit split;
    std::map<std::string, std::string> firstWith;  // fingerprint: the first file of the run holding it
    for (const UploadJob& job : jobs) {
        // After Ctrl-C nothing is sent: the rest is not worth reading.
        const Fingerprint* print = ledger_ && !interrupted() ? current(job.file) : nullptr;
        if (!print) {
            split.toSend.push_back(job);
            continue;
        }
        if (auto entry = ledger_->blocking(user, print->text, again)) {
            split.earlier[job.file] = *entry;
            continue;
        }
        auto [first, inserted] = firstWith.emplace(print->text, job.file);
        if (!inserted) {
            LedgerEntry same;
            same.outcome = "same content as " + first->second;
            same.title = job.fields.title;
            split.earlier[job.file] = same;
            split.repeats.push_back(job.file + " holds the same bytes as " + first->second +
                                    ": it is sent once");
            continue;
        }
        split.toSend.push_back(job);
    }
    return split;
}

std::optional<LedgerEntry> BatchLedger::claim(const std::string& user, const UploadJob& job, bool again) {
    claim_.reset();
    if (!ledger_) return std::nullopt;
    const Fingerprint* print = current(job.file);
    if (!print) return std::nullopt;  // the upload fails on the same unreadable file
    LedgerEntry entry;
    entry.user = user;
    entry.fingerprint = print->text;
    entry.path = job.file;
    entry.size = print->identity.size;
    entry.title = job.fields.title;
    int64_t id = 0;
    if (auto blocked = ledger_->claim(entry, again, id)) return blocked;
    claim_ = Claim{job.file, id, print->identity};
    return std::nullopt;
}

bool BatchLedger::settle(const UploadOutcome& outcome) {
    if (!claim_ || claim_->file != outcome.file) return false;
    const Claim claim = *claim_;
    claim_.reset();
    const std::optional<FileIdentity> after = identityOf(outcome.file);
    const bool changed = !after || *after != claim.identity;
    const char* noted = outcome.verdict == Verdict::Accepted              ? kLedgerAccepted
                        : outcome.verdict == Verdict::MayHaveBeenReceived ? kLedgerMayHaveBeenReceived
                                                                          : "";
    ledger_->settle(claim.id, noted, outcome.message, outcome.bytes, changed);
    return changed && *noted;
}

std::string skippedLine(const std::string& file, const LedgerEntry& entry) {
    if (entry.outcome == kLedgerBeingSent) {
        return "skipped: " + visible(file) + ", being sent by another clipferry, pid " +
               std::to_string(entry.pid) + (entry.host == hostName() ? "" : " on " + visible(entry.host)) +
               ", since " + entry.localTime.substr(11, 5);
    }
    if (entry.localTime.empty()) return "skipped: " + visible(file) + ", " + visible(entry.outcome);
    std::string line = "skipped: " + visible(file) + ", " + entry.outcome + " " +
                       entry.localTime.substr(0, 10) + " as '" + visible(entry.title) + "'";
    if (entry.claimEnded) {
        line += " (the clipferry sending it, pid " + std::to_string(entry.pid) +
                ", ended before its verdict came; look for it among your videos)";
    } else if (entry.outcome == kLedgerMayHaveBeenReceived) {
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
