// The batch loop: claim, send, settle, say; then the summary.
#include "commands/upload/send_batch.h"

#include <chrono>
#include <filesystem>
#include <optional>

#include "app/json_output.h"
#include "commands/upload/send_one.h"
#include "text/units.h"
#include "app/interrupt.h"
#include "store/terms_note.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// Uploading accepts the service's terms: said once per user, then noted in
// the state folder (config.toml is the user's and is never written). A note
// that cannot be read or written is said, and the upload goes on.
void tellTermsOnce(const Context& context) {
    const Io& io = context.io;
    const std::string& user = context.user();
    const std::optional<std::filesystem::path> note = termsNotePath(context.environment);
    if (hasAcceptedTerms(context.config, user)) {
        return;
    }
    try {
        if (note && termsNoted(*note, user)) return;
    } catch (const TermsNoteError&) {
        // Said below, where noting it fails for the same reason.
    }
    (io.json() ? io.err() : io.out())
        << "note: uploading to Lumivid accepts its terms of service; said once for " << user
        << "\n" << std::flush;
    if (!note) {
        io.err() << "clipferry: cannot note that this was said: neither XDG_STATE_HOME nor "
                    "HOME names a folder to keep it in\n";
        return;
    }
    try {
        noteTermsAccepted(*note, user, std::chrono::system_clock::now());
    } catch (const TermsNoteError& e) {
        io.err() << "clipferry: cannot note that this was said: " << visible(e.what()) << "\n";
    }
}

UploadOutcome notSent(const UploadJob& job, int exitStatus) {
    UploadOutcome skipped;
    skipped.file = job.file;
    skipped.title = job.fields.title;
    skipped.exitStatus = exitStatus;
    return skipped;
}

void tellOutcome(const Io& io, const UploadOutcome& outcome, const Batch& batch) {
    if (outcome.verdict != Verdict::Accepted || io.json()) return;
    io.out() << (batch.jobs.size() > 1 ? visible(outcome.file) + ": " : "") << "accepted: "
             << (outcome.message.empty() ? "(no message)" : visible(outcome.message))
             << earlierVersionNote(outcome.file, batch.earlierVersions) << "\n" << std::flush;
}

void tellResult(const Io& io, const Batch& batch, const std::vector<UploadOutcome>& outcomes,
                const BatchSummary& summary) {
    const bool inBatch = batch.jobs.size() > 1;
    if (!io.json()) {
        if (inBatch) io.out() << summaryLine(summary) << "\n";
        return;
    }
    nlohmann::ordered_json document = inBatch ? batchJson(outcomes, summary) : uploadJson(outcomes.front());
    if (batch.fromFolders) document["left_out"] = leftOutJson(batch.leftOut);
    const auto fromLedger = [&batch](nlohmann::ordered_json& upload) {
        withLedgerEntry(upload, batch.earlier);
        withEarlierVersion(upload, batch.earlierVersions);
    };
    if (inBatch) {
        for (auto& upload : document["uploads"]) fromLedger(upload);
    } else {
        fromLedger(document);
    }
    io.document(document);
}
}  // namespace

int sendBatch(const Context& context, const UploadOptions& options, Service& service, const Batch& batch,
              ListCache& cache, BatchLedger& ledger) {
    const Io& io = context.io;
    const std::string& user = context.user();
    const size_t toSend = batch.toSend.size();
    if (toSend > 0) tellTermsOnce(context);
    tellPublishedBefore(io, batch);
    std::vector<UploadOutcome> outcomes;
    size_t sending = 0;  // the files being sent, for "2/7" on the progress line
    bool ledgerFailed = false;  // the ledger could not be written: nothing more is sent
    for (const UploadJob& job : batch.jobs) {
        if (auto skip = batch.earlier.find(job.file); skip != batch.earlier.end()) {
            outcomes.push_back(skippedOutcome(job.file, skip->second));
            continue;
        }
        // Claimed before its first byte, so another command does not send it too.
        std::optional<LedgerEntry> taken;
        if (!interrupted() && !ledgerFailed) {
            try {
                taken = ledger.claim(user, job, options.again);
            } catch (const LedgerError& e) {
                io.err() << "clipferry: the ledger of uploads cannot be written (" << visible(e.what())
                         << "): " << visible(job.file)
                         << " and the files after it were not sent; --no-ledger sends without it\n";
                ledgerFailed = true;
            }
        }
        if (interrupted() || ledgerFailed) {  // Ctrl-C stops the batch: the rest is not sent
            outcomes.push_back(notSent(job, ledgerFailed ? exit_status::failure : exit_status::interrupted));
            continue;
        }
        if (taken) {
            outcomes.push_back(skippedOutcome(job.file, *taken));
            if (!io.json()) io.out() << skippedLine(job.file, *taken) << "\n";
            continue;
        }
        ++sending;
        const std::string place =
            toSend > 1 ? std::to_string(sending) + "/" + std::to_string(toSend) + " " : "";
        try {
            outcomes.push_back(uploadOne(context, service, job, {options.limitRate, options.stallTimeout}, place));
        } catch (const TextError& e) {
            outcomes.push_back(notSendable(
                context, job, std::string(e.what()) + "; the file's name and every field must be UTF-8 text"));
        }
        UploadOutcome& outcome = outcomes.back();
        if (outcome.verdict == Verdict::Failed && outcome.exitStatus == exit_status::interrupted) {
            outcome.verdict = Verdict::Cancelled;  // the user stopped it before its last byte
        }
        if (outcome.verdict == Verdict::Refused && cache.servedAny() && !cache.bypassed()) {
            // The checks passed on kept lists, which the service may have changed since.
            const std::string kept = "the checks used the service's lists as kept since " +
                                     localTime(cache.keptSince()) +
                                     "; --refresh asks the service for them again";
            io.err() << "clipferry: " << kept << "\n";
            outcome.error += "; " + kept;
        }
        try {
            if (ledger.settle(outcome)) {
                io.err() << "clipferry: warning: " << visible(job.file)
                         << " changed or was replaced while it was sent: the ledger notes the "
                            "upload but does not skip the file on a later run\n";
            }
        } catch (const NoteFailed& e) {
            io.err() << "clipferry: " << visible(job.file) << " was " << verdictName(outcome.verdict)
                     << " but the ledger could not note it (" << visible(e.what()) << "): "
                     << (e.claimKept ? "its claim stays, so a later run skips it as a file whose verdict "
                                       "never came (--again sends it)"
                                     : "a later run would send it again")
                     << "; the files after it were not sent\n";
            outcome.exitStatus = worseExitStatus(outcome.exitStatus, exit_status::failure);
            ledgerFailed = true;
        }
        tellOutcome(io, outcome, batch);
    }
    const BatchSummary summary = summarize(outcomes);
    tellResult(io, batch, outcomes, summary);
    return summary.exitStatus;
}

void tellPublishedBefore(const Io& io, const Batch& batch) {
    const auto& earlier = batch.earlier;
    if (earlier.empty() || io.json()) return;
    // A file another command is sending, or one that needs a look, is always named.
    size_t beingSent = 0;
    for (const UploadJob& job : batch.jobs) {
        auto skip = earlier.find(job.file);
        if (skip == earlier.end()) continue;
        const LedgerEntry& entry = skip->second;
        const bool live = entry.outcome == kLedgerBeingSent && !entry.claimUncertain;
        beingSent += live ? 1 : 0;
        if (earlier.size() == 1 || io.verbose() || entry.outcome == kLedgerBeingSent ||
            entry.changedSinceNoted) {
            io.out() << skippedLine(job.file, entry) << "\n";
        }
    }
    const auto files = [](size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); };
    if (const size_t published = earlier.size() - beingSent; published > 0) {
        io.out() << files(published) << " already published, skipped; --again sends "
                 << (published == 1 ? "it" : "them") << "\n";
    }
    if (beingSent > 0) {
        io.out() << files(beingSent) << " being sent by another clipferry, skipped; --again sends "
                 << (beingSent == 1 ? "it" : "them") << " only once that command has ended\n";
    }
    io.out() << std::flush;
}

void withLedgerEntry(nlohmann::ordered_json& upload, const std::map<std::string, LedgerEntry>& earlier) {
    auto skip = earlier.find(upload.value("file", std::string()));
    if (upload.value("verdict", std::string()) != "skipped" || skip == earlier.end()) return;
    upload["ledger"] = {{"outcome", skip->second.outcome},
                        {"time", skip->second.time},
                        {"title", skip->second.title}};
}

std::string earlierVersionNote(const std::string& file, const std::map<std::string, LedgerEntry>& versions) {
    auto version = versions.find(file);
    if (version == versions.end()) return "";
    const LedgerEntry& entry = version->second;
    return std::string(" (an earlier version ") +
           (entry.outcome == kLedgerAccepted ? "was published" : "may have been received") + " on " +
           entry.localTime.substr(0, 10) + ")";
}

void withEarlierVersion(nlohmann::ordered_json& upload,
                        const std::map<std::string, LedgerEntry>& versions) {
    auto version = versions.find(upload.value("file", std::string()));
    if (upload.value("verdict", std::string()) == "skipped" || version == versions.end()) return;
    upload["earlier_version"] = {{"outcome", version->second.outcome},
                                 {"time", version->second.time},
                                 {"title", version->second.title},
                                 {"file", version->second.path}};
}

nlohmann::ordered_json leftOutJson(const std::vector<LeftOut>& leftOut) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const LeftOut& entry : leftOut) list.push_back({{"file", entry.path}, {"reason", entry.reason}});
    return list;
}

}  // namespace clipferry::cli
