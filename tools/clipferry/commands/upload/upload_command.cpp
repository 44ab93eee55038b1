// The upload from its flags to its last file, in the order the user sees it.
#include "commands/upload/upload_command.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "app/failure.h"
#include "app/json_output.h"
#include "commands/login/login.h"
#include "commands/upload/batch_ledger.h"
#include "commands/upload/checks.h"
#include "commands/upload/dry_run.h"
#include "commands/upload/folder_files.h"
#include "commands/upload/metadata.h"
#include "commands/upload/send_batch.h"
#include "commands/upload/service_lists.h"
#include "commands/upload/upload_jobs.h"
#include "app/interrupt.h"
#include "store/ledger.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// What a folder held that is not sent: counted on standard error, as it is
// the same every week; each named with why with --verbose, and in the --json
// document under "left_out".
void tellLeftOut(const Io& io, std::vector<LeftOut>& leftOut) {
    std::sort(leftOut.begin(), leftOut.end(),
              [](const LeftOut& a, const LeftOut& b) { return a.path < b.path; });
    if (io.json() || leftOut.empty()) return;
    if (!io.verbose()) {
        io.err() << "clipferry: " << leftOutCount(leftOut) << "\n";
        return;
    }
    for (const LeftOut& entry : leftOut) io.err() << "clipferry: " << visible(leftOutLine(entry)) << "\n";
}

// "checking NAME" while a large file is hashed for the ledger, with how far
// it got on a terminal; small files are hashed too fast to say.
CheckingProgress checkingProgress(const Io& io) {
    constexpr uint64_t kLargeFile = 64 << 20;
    if (!io.showProgress()) return {};
    return [&io, shown = -1](const std::string& file, uint64_t done, uint64_t total) mutable {
        if (total < kLargeFile) return;
        const std::string name = visible(std::filesystem::path(file).filename().string());
        if (!io.progressOnTerminal()) {
            if (shown < 0) io.err() << "checking " << name << "\n";
            shown = done >= total ? -1 : 0;
            return;
        }
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == shown) return;
        shown = done >= total ? -1 : percent;
        io.err() << "\rchecking " << name << " " << percent << "%\x1b[K"
                 << (done >= total ? "\r\x1b[K" : "") << std::flush;
    };
}

// A ledger that cannot be used stops the upload before anything is sent.
int ledgerUnusable(const Io& io, const std::string& why) {
    return fail(io, exit_status::failure,
                "the ledger of uploads cannot be used (" + why +
                    "); nothing was sent. Mend or move it, or give --no-ledger to send "
                    "without skipping, claiming or noting anything");
}

// A folder stands for its files of the accepted types; the others are left
// out, each said. Gives the exit status.
int keepAcceptedTypes(const Context& context, Service& service, ListCache& cache, Batch& batch,
                      const std::set<std::string>& fromFolders) {
    const Io& io = context.io;
    std::string fileTypes;
    if (int status = fetchFileTypes(context, service, cache, fileTypes); status != exit_status::ok) {
        return status;
    }
    if (cache.servedAny() && !cache.bypassed() &&
        withAcceptedTypes(batch.jobs, fromFolders, fileTypes).size() < batch.jobs.size()) {
        // The service may accept a type it did not when the list was kept:
        // no file is left out for its type on a kept list's word.
        io.step("the kept file types leave files out; asking the service for them");
        if (int status = fetchFileTypes(context, service, cache, fileTypes, true); status != exit_status::ok) {
            return status;
        }
    }
    batch.jobs = withAcceptedTypes(batch.jobs, fromFolders, fileTypes, &batch.leftOut);
    tellLeftOut(io, batch.leftOut);
    if (!batch.jobs.empty()) return exit_status::ok;
    Failure failure{exit_status::badArgument, "", std::nullopt,
                    "nothing to upload: the folders hold no files of the types the service accepts (" +
                        fileTypes + ")",
                    {}};
    io.err() << "clipferry: " << visible(failure.text) << "\n";
    if (io.json()) {
        nlohmann::ordered_json document = failureJson(failure);
        document["left_out"] = leftOutJson(batch.leftOut);
        io.document(document);
    }
    return failure.exitStatus;
}

int dryRun(const Io& io, const Batch& batch, const ServiceLists& lists) {
    if (!io.json()) {
        tellPublishedBefore(io, batch);
        io.out() << renderDryRun(batch.toSend, lists);
        return exit_status::ok;
    }
    nlohmann::ordered_json document = dryRunJson(batch.toSend, lists);
    if (batch.fromFolders) document["left_out"] = leftOutJson(batch.leftOut);
    document["skipped"] = nlohmann::ordered_json::array();
    for (const UploadJob& job : batch.jobs) {
        auto skip = batch.earlier.find(job.file);
        if (skip != batch.earlier.end()) {
            document["skipped"].push_back(uploadJson(skippedOutcome(job.file, skip->second)));
            withLedgerEntry(document["skipped"].back(), batch.earlier);
        }
    }
    io.document(document);
    return exit_status::ok;
}

int upload(Context& context, const UploadFlags& flags) {
    const Io& io = context.io;
    UploadOptions upload = uploadOptions(flags);
    if (auto bad = findBadUploadArgument(upload, context.options.passwordFromStdin)) {
        return fail(io, exit_status::badArgument, "bad argument: " + *bad);
    }
    const FolderFiles folders = expandFolders(upload.files, upload.recursive);
    Batch batch;
    batch.leftOut = folders.leftOut;
    batch.fromFolders = !folders.fromFolders.empty();
    std::vector<std::string> warnings = folders.warnings;
    upload.files = folders.files;
    if (upload.files.empty()) {
        for (const std::string& warning : warnings) io.err() << "clipferry: " << warning << "\n";
        tellLeftOut(io, batch.leftOut);
        return fail(io, exit_status::badArgument, "nothing to upload");
    }
    UploadFields defaults;
    defaults.categories = context.config.categories;
    defaults.moderator = context.config.moderator;
    batch.jobs = withoutRepeats(buildUploadJobs(upload, defaults, io.in(), &warnings), warnings);
    for (const std::string& warning : warnings) io.err() << "clipferry: warning: " << visible(warning) << "\n";
    // The files' own problems, said with the service's once logged in.
    const std::vector<std::string> problems = localProblems(batch.jobs);
    if (!problems.empty() && upload.noCheck) return reportProblems(context, upload, problems, {});
    // Opened before the password is asked for.
    std::optional<BatchLedger> ledger;
    try {
        ledger.emplace(ledgerPath(context.environment), !upload.noLedger, checkingProgress(io));
    } catch (const LedgerError& e) {
        return ledgerUnusable(io, e.what());
    }
    LoginFailed failed;
    if (!problems.empty()) {
        failed = [&](const std::string& why) { return reportProblems(context, upload, problems, {}, why); };
    }
    LoggedIn login = logIn(context, failed);
    if (!login.service) return login.exitStatus;
    Service& service = *login.service;

    InterruptGuard guard;  // Ctrl-C, SIGTERM and SIGHUP now cancel through the progress callback
    ListCache cache(ledger->ledger(), context.user() + " " + io.proxy() + " " + kApiHost);
    if (upload.refresh) cache.bypass();
    if (batch.fromFolders) {
        if (int status = keepAcceptedTypes(context, service, cache, batch, folders.fromFolders); status != 0) {
            return status;
        }
    }
    // What this user published before is left out, unless --again.
    LedgerSplit split;
    try {
        split = ledger->split(context.user(), batch.jobs, upload.again);
    } catch (const LedgerError& e) {
        return ledgerUnusable(io, e.what());
    }
    batch.toSend = split.toSend;
    batch.earlier = split.earlier;
    batch.earlierVersions = split.earlierVersions;
    for (const std::string& repeat : split.repeats) {
        io.err() << "clipferry: warning: " << visible(repeat) << "\n";
    }
    ServiceLists lists;
    if (!batch.toSend.empty()) {
        if (int status = checkBeforeSending(context, upload, service, batch.toSend, lists, cache); status != 0) {
            return status;
        }
    }
    if (upload.dryRun) return dryRun(io, batch, lists);
    return sendBatch(context, upload, service, batch, cache, *ledger);
}
}  // namespace

int uploadCommand(Context& context, const UploadFlags& flags) {
    try {
        return upload(context, flags);
    } catch (const MetadataError& e) {  // a --meta file that cannot be used
        return fail(context.io, exit_status::badArgument, std::string("bad argument: ") + e.what());
    }
}

}  // namespace clipferry::cli
