// Skips, claims and notes for a batch, over the ledger and the fingerprint.
#include "commands/upload/batch_ledger.h"

#include <chrono>

#include "app/interrupt.h"
#include "store/fingerprint_cache.h"
#include "store/sampled_fingerprint.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// A file changed this recently may change again within the same tick of the
// file system's clock, unseen by its identity: its hash is not kept.
constexpr int64_t kSettledNs = 2'000'000'000;

std::string normalPath(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

// What the ledger notes of a file: its whole path, so that `history` finds
// it wherever it runs; as given when the current folder cannot be told.
std::string wholePath(const std::string& file) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(file, error);
    return error ? file : whole.lexically_normal().string();
}

// Whether the entry noted what the file holds now; one of 1.0 (--again
// leaves it unmatched) by the samples 1.0 took.
bool sameContent(const LedgerEntry& entry, const std::string& file, const Fingerprint& print) {
    if (entry.fingerprint.rfind(kFingerprintPrefix, 0) == 0) return entry.fingerprint == print.text;
    try {
        return sampledFingerprint(file) == entry.fingerprint;
    } catch (const FingerprintError&) {
        return true;  // the checks say what is wrong with the file
    }
}

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
        if (auto known = FingerprintCache(*ledger_).known(*now)) {
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
    if (ledger_ && started - print.identity.changedNs > kSettledNs) toKeep_.push_back(print);
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
        if (!again) {
            if (auto entry = notedByEarlierRelease(user, job.file, *print)) {
                split.earlier[job.file] = *entry;
                continue;
            }
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
        // An edit of a file published before goes out, and is said to be one.
        if (auto published = ledger_->publishedFrom(user, wholePath(job.file), job.file)) {
            if (!sameContent(*published, job.file, *print)) split.earlierVersions[job.file] = *published;
        }
        split.toSend.push_back(job);
    }
    keepFingerprints();
    return split;
}

void BatchLedger::keepFingerprints() {
    if (!ledger_) return;
    FingerprintCache(*ledger_).keep(toKeep_);
    toKeep_.clear();
}

std::optional<LedgerEntry> BatchLedger::notedByEarlierRelease(const std::string& user,
                                                              const std::string& file,
                                                              const Fingerprint& print) {
    if (!earlierRelease_) {
        EarlierRelease& noted = earlierRelease_.emplace();
        for (LedgerEntry& entry : ledger_->earlierReleaseEntries(user)) {
            const size_t index = noted.entries.size();
            if (auto size = sampledFingerprintSize(entry.fingerprint)) noted.bySize.emplace(*size, index);
            noted.byPath.emplace(normalPath(entry.path), index);  // the newest of a path
            if (std::filesystem::path(entry.path).is_absolute()) {
                if (auto identity = identityOf(entry.path)) {
                    noted.byFile.emplace(std::make_pair(identity->device, identity->inode), index);
                }
            }
            noted.entries.push_back(std::move(entry));
        }
    }
    EarlierRelease& noted = *earlierRelease_;
    const auto [first, last] = noted.bySize.equal_range(print.identity.size);
    std::optional<std::string> sampled;  // the file's, read once, when an entry is of its size
    for (auto candidate = first; candidate != last; ++candidate) {
        std::optional<LedgerEntry>& entry = noted.entries[candidate->second];
        if (!entry) continue;
        try {
            if (!sampled) sampled = sampledFingerprint(file);
        } catch (const FingerprintError&) {
            return std::nullopt;  // the checks say what is wrong with the file
        }
        if (*sampled != entry->fingerprint) continue;
        LedgerEntry found = *entry;
        ledger_->upgradeFingerprint(found, print.text);
        entry.reset();
        return found;
    }
    // None matches: one noted from this file's path is named, never passed over in silence.
    std::optional<size_t> fromPath;
    if (auto byPath = noted.byPath.find(normalPath(file)); byPath != noted.byPath.end()) {
        fromPath = byPath->second;
    } else if (auto byFile = noted.byFile.find({print.identity.device, print.identity.inode});
               byFile != noted.byFile.end()) {
        fromPath = byFile->second;
    }
    if (!fromPath || !noted.entries[*fromPath]) return std::nullopt;
    LedgerEntry changed = *noted.entries[*fromPath];
    changed.changedSinceNoted = true;
    return changed;
}

std::optional<LedgerEntry> BatchLedger::claim(const std::string& user, const UploadJob& job, bool again) {
    claim_.reset();
    if (!ledger_) return std::nullopt;
    const Fingerprint* print = current(job.file);
    if (!print) return std::nullopt;  // the upload fails on the same unreadable file
    keepFingerprints();
    LedgerEntry entry;
    entry.user = user;
    entry.fingerprint = print->text;
    entry.path = wholePath(job.file);
    entry.size = print->identity.size;
    entry.title = job.fields.title;
    LedgerClaim held;
    if (auto blocked = ledger_->claim(entry, again, held)) return blocked;
    claim_ = Claim{job.file, std::move(held), print->identity};
    return std::nullopt;
}

bool BatchLedger::settle(const UploadOutcome& outcome) {
    if (!claim_ || claim_->file != outcome.file) return false;
    const Claim claim = std::move(*claim_);  // its lock goes when this returns or throws
    claim_.reset();
    const std::optional<FileIdentity> after = identityOf(outcome.file);
    const bool changed = !after || *after != claim.identity;
    const char* noted = outcome.verdict == Verdict::Accepted              ? kLedgerAccepted
                        : outcome.verdict == Verdict::MayHaveBeenReceived ? kLedgerMayHaveBeenReceived
                                                                          : "";
    try {
        ledger_->settle(claim.held.id, noted, outcome.message, outcome.bytes, changed);
    } catch (const LedgerError& e) {
        bool kept = true;  // unless the ledger says it is gone
        try {
            kept = ledger_->claimKept(claim.held.id);
        } catch (const LedgerError&) {
        }
        throw NoteFailed(e, kept);
    }
    return changed && *noted;
}

std::string skippedLine(const std::string& file, const LedgerEntry& entry) {
    if (entry.outcome == kLedgerBeingSent) {
        const std::string who = "pid " + std::to_string(entry.pid) +
                                (entry.host == hostName() ? "" : " on " + visible(entry.host)) +
                                ", since " + entry.localTime.substr(11, 5);
        if (entry.claimUncertain) {
            return "skipped: " + visible(file) + ", claimed by a clipferry that may still be sending it, " +
                   who + " (its claim has no lock that tells; make sure that no clipferry is "
                         "sending it, then --again sends it)";
        }
        return "skipped: " + visible(file) + ", being sent by another clipferry, " + who +
               " (it holds the file's claim while it runs; --again does not send it meanwhile)";
    }
    if (entry.localTime.empty()) return "skipped: " + visible(file) + ", " + visible(entry.outcome);
    if (entry.changedSinceNoted) {
        return "skipped: " + visible(file) + ", changed since clipferry 1.0 noted it " + entry.outcome +
               " " + entry.localTime.substr(0, 10) + " as '" + visible(entry.title) +
               "' (1.0 kept too little of a file to tell an edit from another video; look for it "
               "among your videos; --again sends it)";
    }
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
