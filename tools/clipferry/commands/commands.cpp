#include "commands/commands.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "commands/upload/batch_ledger.h"
#include "commands/category_tree.h"
#include "store/config.h"
#include "commands/upload/dry_run.h"
#include "commands/upload/folder_files.h"
#include "commands/history_command.h"
#include "service/interrupt.h"
#include "app/json_output.h"
#include "commands/upload/list_cache.h"
#include "commands/upload/metadata.h"
#include "app/password.h"
#include "commands/remembered_login.h"
#include "commands/upload/preflight.h"
#include "commands/root.h"
#include "commands/upload/upload_jobs.h"
#include "progress/progress.h"
#include "service/result_codes.h"
#include "service/retry.h"
#include "service/session.h"
#include "progress/terminal.h"
#include "store/terms_note.h"
#include "text/text.h"
#include "commands/upload/upload_batch.h"
#include "progress/waiting_line.h"

namespace clipferry::cli {

namespace {
constexpr char kApiHost[] = CLIPFERRY_CLI_API_HOST_URL;
// Where the file goes when the API host names no upload server.
constexpr char kUploadHost[] = CLIPFERRY_CLI_UPLOAD_HOST_URL;

// The proxy text the library reads, as the user wrote it; empty for none.
std::string proxyInUse() {
    const char* proxy = std::getenv("CLIPFERRY_PROXY_SERVER");
    return proxy ? proxy : "";
}

// How many times a password typed at the prompt is asked for.
constexpr int kPasswordTries = 3;

// The local time, to the second, for the user to match against the service's records.
std::string localTime(std::time_t when) {
    char text[32];
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// Sleeps in small steps so that Ctrl-C during a retry wait is noticed.
bool waitUnlessInterrupted(std::chrono::milliseconds delay) {
    const auto step = std::chrono::milliseconds(50);
    for (auto waited = std::chrono::milliseconds(0); waited < delay; waited += step) {
        if (interrupted()) {
            return false;
        }
        std::this_thread::sleep_for(std::min(step, delay - waited));
    }
    return !interrupted();
}

// Where everything the command says goes: results on standard output (text
// or one JSON document), errors, progress and the steps of --verbose on
// standard error.
class Reporter {
public:
    explicit Reporter(const Options& options)
        : options_(options), stdoutTerminal_(isatty(STDOUT_FILENO) == 1),
          stderrTerminal_(isatty(STDERR_FILENO) == 1) {}

    bool json() const { return options_.json; }
    bool plainLists() const { return !stdoutTerminal_; }
    // With --json the progress would only clutter a log, unless someone watches it.
    bool showProgress() const { return !options_.quiet && (!options_.json || stderrTerminal_); }
    bool progressOnTerminal() const { return stderrTerminal_; }
    bool verbose() const { return options_.verbose; }
    // The waiting line, on a terminal only, and not over --verbose's steps.
    bool showWaiting() const { return stderrTerminal_ && !options_.quiet && !options_.verbose; }
    // "127.0.0.1:8765 (the proxy, from --proxy)", or the service's host.
    std::string waitingFor() const {
        const std::string proxy = proxyInUse();
        return proxy.empty() ? std::string(kApiHost)
                             : proxy + " (the proxy, from " + proxySource_ + ")";
    }
    // Where the proxy in use was set, for the messages that name it.
    void proxyFrom(const std::string& source) { proxySource_ = source; }
    // How the password was given, for the hint after a refused login.
    void passwordFrom(const std::string& source) { passwordSource_ = source; }
    // Where the user name was set, for the same hint.
    void userFrom(const std::string& source) { userSource_ = source; }

    void step(const std::string& text) const {
        if (options_.verbose) std::cerr << "verbose: " << text << "\n" << std::flush;
    }

    void document(const nlohmann::ordered_json& document) const { std::cout << render(document); }

    Circumstances circumstances(Operation operation, const std::string& file = {},
                                const std::string& serviceMessage = {}) const {
        std::string host = kApiHost;
        if (operation == Operation::Upload) {
            host += std::string(" or the upload server it names (else ") + kUploadHost + ")";
        }
        Circumstances circumstances;
        circumstances.serviceMessage = serviceMessage;
        circumstances.interrupted = interrupted();
        circumstances.proxy = proxyInUse();
        circumstances.host = host;
        circumstances.file = file;
        circumstances.proxySource = proxySource_;
        circumstances.passwordSource = passwordSource_;
        circumstances.userSource = userSource_;
        return circumstances;
    }

    // A failed library call: the line on standard error and, with --json, the
    // document on standard output. Gives the exit status.
    int fail(Operation operation, int32_t result, const Circumstances& circumstances) const {
        Explanation explanation = explain(operation, result, circumstances);
        std::cerr << "clipferry: " << visible(explanation.text) << "\n";
        if (json()) {
            document(failureDocument(operationName(operation), result, explanation.exitStatus,
                                     explanation.text));
        }
        return explanation.exitStatus;
    }

    // A failure before the library was asked.
    int fail(int exitStatus, const std::string& text) const {
        std::cerr << "clipferry: " << visible(text) << "\n";
        if (json()) document(failureDocument("", std::nullopt, exitStatus, text));
        return exitStatus;
    }

private:
    const Options& options_;
    bool stdoutTerminal_;
    bool stderrTerminal_;
    std::string proxySource_ = kProxyVariable;
    std::string passwordSource_ = kPasswordVariable;
    std::string userSource_ = "--user";
};

Attempt retrying(const Options& options, Operation operation, const Circumstances& circumstances,
                 const std::function<Attempt()>& attempt) {
    RetryPolicy policy;
    policy.retries = options.retries;
    std::optional<int32_t> said;  // the failure whose whole text was given last
    return runWithRetry(policy, attempt, [&](int retry, int32_t failed, auto delay) {
        // The whole text once; the same failure again is a short line.
        const std::string what = said == failed ? "failed again the same way"
                                                : explain(operation, failed, circumstances).text;
        said = failed;
        std::cerr << "clipferry: " << what << "; retry " << retry << " of " << policy.retries
                  << " in " << formatDuration(delay.count() / 1000.0) << "\n";
        return waitUnlessInterrupted(delay);
    });
}

// A login or a list: on a terminal, a call with no answer after 2 s says
// what it waits for.
int32_t withRetry(const Options& options, const Reporter& reporter, Operation operation,
                  const std::function<int32_t()>& attempt) {
    return retrying(options, operation, reporter.circumstances(operation),
                    [&] {
                        WaitingLine waiting(std::cerr, reporter.showWaiting(), reporter.waitingFor());
                        return Attempt{attempt()};
                    })
        .result;
}

int listFileTypes(const Options& options, const Reporter& reporter, Session& session) {
    std::string text;
    reporter.step("asking for the accepted file types");
    int32_t result = withRetry(options, reporter, Operation::FileTypes,
                               [&] { return session.fileTypes(text); });
    if (result != 0) {
        return reporter.fail(Operation::FileTypes, result, reporter.circumstances(Operation::FileTypes));
    }
    std::vector<std::string> types = splitFileTypes(text);
    if (reporter.json()) {
        reporter.document({{"ok", true}, {"file_types", types}});
        return exit_status::ok;
    }
    for (const std::string& type : types) {
        std::cout << visible(type) << "\n";
    }
    return exit_status::ok;
}

int32_t fetchCategories(const Options& options, const Reporter& reporter, Session& session,
                        int32_t parent, bool recursive, std::vector<Category>& tree,
                        bool* inPart = nullptr) {
    FetchChildren fetch = [&](int32_t below, std::vector<Category>& children) {
        reporter.step("asking for the categories below " + std::to_string(below));
        return withRetry(options, reporter, Operation::Categories,
                         [&] { return session.categories(below, children); });
    };
    CategoryWalk walk;
    const int32_t result = fetchCategoryTree(parent, recursive, fetch, tree, &walk);
    if (walk.capped) {
        std::cerr << "clipferry: warning: the categories were asked for " << walk.requests
                  << " times, the most one walk asks; the categories below the rest are not known\n";
    }
    if (inPart) *inPart = walk.capped;
    return result;
}

int listCategories(const Options& options, const Reporter& reporter, Session& session) {
    std::vector<Category> tree;
    int32_t result = fetchCategories(options, reporter, session, options.parent, options.recursive, tree);
    if (result != 0) {
        return reporter.fail(Operation::Categories, result,
                             reporter.circumstances(Operation::Categories));
    }
    if (tree.empty() && options.parent != 0) {
        // The service answers a category that does not exist as one without children.
        std::vector<Category> everything;
        result = fetchCategories(options, reporter, session, 0, true, everything);
        if (result != 0) {
            return reporter.fail(Operation::Categories, result,
                                 reporter.circumstances(Operation::Categories));
        }
        const std::vector<Choice> all = flattenCategories(everything);
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const Choice& c) { return c.id == options.parent; });
        if (found == all.end()) {
            return reporter.fail(exit_status::badArgument,
                                 "categories: no such category " + std::to_string(options.parent) +
                                     "; clipferry categories --recursive lists them all");
        }
        if (!reporter.json()) {
            std::cerr << "clipferry: no categories below " << found->id << " "
                      << visible(found->name) << "\n";
        }
    }
    if (reporter.json()) {
        reporter.document({{"ok", true},
                           {"parent", options.parent},
                           {"categories", categoriesJson(tree, options.recursive)}});
        return exit_status::ok;
    }
    std::cout << renderCategoryTree(tree, reporter.plainLists());
    return exit_status::ok;
}

int listModerators(const Options& options, const Reporter& reporter, Session& session) {
    std::vector<Moderator> moderators;
    reporter.step("asking for the moderators");
    int32_t result = withRetry(options, reporter, Operation::Moderators,
                               [&] { return session.moderators(moderators); });
    if (result != 0) {
        return reporter.fail(Operation::Moderators, result,
                             reporter.circumstances(Operation::Moderators));
    }
    if (reporter.json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Moderator& m : moderators) {
            list.push_back({{"id", m.id}, {"first", m.firstName}, {"last", m.lastName}});
        }
        reporter.document({{"ok", true}, {"moderators", std::move(list)}});
        return exit_status::ok;
    }
    for (const Moderator& moderator : moderators) {
        std::cout << moderator.id << " " << visible(moderator.firstName) << " "
                  << visible(moderator.lastName) << "\n";
    }
    return exit_status::ok;
}

// The accepted file types: kept ones when the cache has them, else the service's.
int fetchFileTypes(const Options& options, const Reporter& reporter, Session& session,
                   ListCache& cache, std::string& fileTypes, bool fresh = false) {
    if (auto kept = fresh ? std::nullopt : cache.fileTypes()) {
        fileTypes = *kept;
        return exit_status::ok;
    }
    reporter.step("asking for the accepted file types, to check the files against");
    int32_t result = withRetry(options, reporter, Operation::FileTypes,
                               [&] { return session.fileTypes(fileTypes); });
    if (result != 0) {
        return reporter.fail(Operation::FileTypes, result, reporter.circumstances(Operation::FileTypes));
    }
    cache.keepFileTypes(fileTypes);
    return exit_status::ok;
}

// The service's lists the jobs are checked against, each asked for once and
// only when some job has something to hold against it; kept ones first.
int fetchServiceLists(const Options& options, const Reporter& reporter, Session& session,
                      const std::vector<UploadJob>& jobs, ServiceLists& lists, ListCache& cache) {
    if (int status = fetchFileTypes(options, reporter, session, cache, lists.fileTypes);
        status != exit_status::ok) {
        return status;
    }
    int32_t result = 0;
    auto any = [&](auto chosen) { return std::any_of(jobs.begin(), jobs.end(), chosen); };
    if (any([](const UploadJob& j) { return j.fields.category || j.fields.category2 || j.fields.category3; })) {
        if (auto kept = cache.categories()) {
            lists.categories = *kept;
        } else {
            std::vector<Category> tree;
            result = fetchCategories(options, reporter, session, 0, true, tree, &lists.categoriesInPart);
            if (result != 0) {
                return reporter.fail(Operation::Categories, result,
                                     reporter.circumstances(Operation::Categories));
            }
            lists.categories = flattenCategories(tree);
            if (!lists.categoriesInPart) cache.keepCategories(lists.categories);
        }
    }
    if (any([](const UploadJob& j) { return j.fields.moderator != 0; })) {
        if (auto kept = cache.moderators()) {
            lists.moderators = *kept;
            return exit_status::ok;
        }
        std::vector<Moderator> moderators;
        reporter.step("asking for the moderators");
        result = withRetry(options, reporter, Operation::Moderators,
                           [&] { return session.moderators(moderators); });
        if (result != 0 && exitStatusFor(result) != exit_status::badArgument) {
            return reporter.fail(Operation::Moderators, result,
                                 reporter.circumstances(Operation::Moderators));
        }
        if (result == 0) {  // else the account may not choose one
            lists.moderators.emplace();
            for (const Moderator& m : moderators) {
                lists.moderators->push_back({m.id, m.firstName + " " + m.lastName});
            }
        }
        cache.keepModerators(lists.moderators);
    }
    return exit_status::ok;
}

// Every problem at once, then nothing is sent. `local` are the files' own,
// `service` those against the service's lists; `unchecked` says why the lists
// were not held against the files when they should have been.
int reportProblems(const Options& options, const Reporter& reporter,
                   const std::vector<std::string>& local, const std::vector<std::string>& service,
                   const std::string& unchecked = {}) {
    std::vector<std::string> problems = local;
    problems.insert(problems.end(), service.begin(), service.end());
    bool idsFromElsewhere = false;  // the messages name the flag, which was not given
    for (const std::string& problem : problems) {
        std::cerr << "clipferry: " << visible(problem) << "\n";
        idsFromElsewhere |=
            (!options.upload.fields.categories && problem.find("--category") != std::string::npos) ||
            (!options.upload.fields.moderator && problem.find("--moderator") != std::string::npos);
    }
    if (idsFromElsewhere) {
        std::cerr << "clipferry: ids not given as flags come from the --meta file or config.toml "
                     "(see clipferry config); a flag overrides them\n";
    }
    if (!unchecked.empty()) {
        std::cerr << "clipferry: the files were not checked against the service's lists: "
                  << visible(unchecked) << "\n";
    }
    // --no-check helps only when every problem is one it skips.
    std::cerr << "clipferry: nothing was sent"
              << (local.empty() && !service.empty() && !options.upload.dryRun
                      ? "; --no-check skips the checks against the service's lists"
                      : "")
              << "\n";
    if (reporter.json()) {
        nlohmann::ordered_json document =
            failureDocument("check", std::nullopt, exit_status::badArgument, problems.front());
        document["problems"] = problems;
        reporter.document(document);
    }
    return exit_status::badArgument;
}


// The one place the uploads are checked, before the first byte of any file
// goes out: every problem of every file is named, and then nothing is sent.
// --no-check skips the lists, for a dry run too: it shows what the real run
// would do. An empty or missing file is refused even with --no-check.
int checkBeforeSending(const Options& options, const Reporter& reporter, Session& session,
                       const std::vector<UploadJob>& jobs, ServiceLists& lists, ListCache& cache) {
    const std::vector<std::string> local = localProblems(jobs);
    std::vector<std::string> service;
    if (!options.upload.noCheck) {
        if (int status = fetchServiceLists(options, reporter, session, jobs, lists, cache); status != 0) {
            return status;
        }
        service = serviceProblems(jobs, lists);
        if (!service.empty() && cache.servedAny() && !cache.bypassed()) {
            // A kept list may be a day old: the service is asked before anything is refused.
            reporter.step("a check failed against a kept list; asking the service for its lists");
            cache.bypass();
            lists = ServiceLists();
            if (int status = fetchServiceLists(options, reporter, session, jobs, lists, cache);
                status != 0) {
                return status;
            }
            service = serviceProblems(jobs, lists);
        }
    }
    if (local.empty() && service.empty()) {
        return exit_status::ok;
    }
    return reportProblems(options, reporter, local, service);
}

// Uploading accepts the service's terms: said once per user, then noted in
// the state folder (config.toml is the user's and is never written). A note
// that cannot be read or written is said, and the upload goes on.
void tellTermsOnce(const Reporter& reporter, const ConfigFile& config, const std::string& user) {
    const std::optional<std::filesystem::path> note = termsNotePath(processEnvironment());
    if (hasAcceptedTerms(config, user)) {
        return;
    }
    try {
        if (note && termsNoted(*note, user)) return;
    } catch (const TermsNoteError&) {
        // Said below, where noting it fails for the same reason.
    }
    (reporter.json() ? std::cerr : std::cout)
        << "note: uploading to Lumivid accepts its terms of service; said once for " << user
        << "\n" << std::flush;
    if (!note) {
        std::cerr << "clipferry: cannot note that this was said: neither XDG_STATE_HOME nor "
                     "HOME names a folder to keep it in\n";
        return;
    }
    try {
        noteTermsAccepted(*note, user, std::chrono::system_clock::now());
    } catch (const TermsNoteError& e) {
        std::cerr << "clipferry: cannot note that this was said: " << visible(e.what()) << "\n";
    }
}

// One file, with its own progress and retries; says on standard error what went wrong.
UploadOutcome uploadOne(const Options& options, const Reporter& reporter, Session& session,
                        const UploadJob& job, const std::string& place) {
    UploadOutcome outcome;
    outcome.file = job.file;
    outcome.title = job.fields.title;
    UploadReport report;
    std::time_t started = 0;
    double firstStart = steadySeconds();
    Circumstances circumstances = reporter.circumstances(Operation::Upload, job.file);
    TerminalWidth width(STDERR_FILENO);  // follows the window's size while the file goes out
    reporter.step(job.file + ": asking " + kApiHost + " for the upload server (else " +
                  kUploadHost + ")");
    Attempt last = retrying(options, Operation::Upload, circumstances, [&] {
        started = std::time(nullptr);
        std::optional<ProgressMeter> meter;
        if (reporter.showProgress()) {
            meter.emplace(std::cerr, reporter.progressOnTerminal(), ProgressMeter::steadyClock(),
                          [&] { return width.columns(); });
            meter->label(place + visible(std::filesystem::path(job.file).filename().string()));
        }
        UploadSteps steps;
        steps.sending = [&] { reporter.step(job.file + ": sending to the upload server"); };
        steps.everyByteSent = [&] {
            // The meter shows the wait itself; a verbose step line would break it.
            if (reporter.verbose()) {
                if (meter) meter->finish(true);
                reporter.step(job.file + ": every byte sent; waiting for the verdict");
            }
        };
        Attempt attempt = session.upload(job, meter ? &*meter : nullptr, steps,
                                         {options.upload.limitRate, options.upload.stallTimeout}, report);
        if (meter) {
            meter->finish(attempt.result == 0 || exitStatusFor(attempt.result) == exit_status::refused);
        }
        return attempt;
    });
    outcome.seconds = std::round((steadySeconds() - firstStart) * 1000) / 1000;
    outcome.bytes = fileSizeOrZero(job.file);
    outcome.bytesSent = report.bytesSent;
    outcome.message = report.message;
    outcome.result = last.result;
    outcome.verdict = verdictFor(last.result, last.everyByteSent, report.message.empty());
    reporter.step(visible(job.file) + ": verdict: " + verdictName(outcome.verdict));
    if (last.result == 0) {
        return outcome;
    }
    circumstances.serviceMessage = report.message;
    circumstances.interrupted = interrupted();
    circumstances.everyByteSent = last.everyByteSent;
    circumstances.stalledFor = report.stalledFor;
    circumstances.stallLimit = options.upload.stallTimeout;
    const Explanation explanation = explain(Operation::Upload, last.result, circumstances);
    outcome.exitStatus = explanation.exitStatus;
    outcome.error = explanation.text;
    std::cerr << "clipferry: " << visible(outcome.error) << "\n";
    if (outcome.verdict == Verdict::MayHaveBeenReceived) {
        // Whatever ended it, the service may have the video: sending it again could publish it twice.
        std::cerr << "clipferry: every byte was handed to the network, so the service may have "
                     "received it, and it is not sent again. Look for \"" << visible(job.fields.title) << "\" (sent "
                  << localTime(started) << ") among your videos before uploading it again\n";
    }
    return outcome;
}

// A file that cannot be sent at all, such as one whose name is not UTF-8:
// it fails alone, and the rest of the batch goes on.
UploadOutcome notSendable(const UploadJob& job, const std::string& why) {
    UploadOutcome outcome;
    outcome.file = job.file;
    outcome.title = job.fields.title;
    outcome.bytes = fileSizeOrZero(job.file);
    outcome.verdict = Verdict::Failed;
    outcome.result = 82;  // what the library says of an argument it cannot take
    outcome.exitStatus = exit_status::badArgument;
    outcome.error = "upload of " + job.file + ": " + why;
    std::cerr << "clipferry: " << visible(outcome.error) << "\n";
    return outcome;
}

// What a folder held that is not sent, each named with why: on standard
// error, and in the --json document under "left_out".
void tellLeftOut(const Reporter& reporter, std::vector<LeftOut>& leftOut) {
    std::sort(leftOut.begin(), leftOut.end(),
              [](const LeftOut& a, const LeftOut& b) { return a.path < b.path; });
    if (reporter.json()) return;
    for (const LeftOut& entry : leftOut) std::cerr << "clipferry: " << visible(leftOutLine(entry)) << "\n";
}

nlohmann::ordered_json leftOutJson(const std::vector<LeftOut>& leftOut) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const LeftOut& entry : leftOut) list.push_back({{"file", entry.path}, {"reason", entry.reason}});
    return list;
}

// The files this user published before: one line, each file on its own
// with --verbose (or when it is the only one).
void tellPublishedBefore(const Reporter& reporter, const std::vector<UploadJob>& jobs,
                         const std::map<std::string, LedgerEntry>& earlier) {
    if (earlier.empty() || reporter.json()) return;
    if (earlier.size() == 1 || reporter.verbose()) {
        for (const UploadJob& job : jobs) {
            auto skip = earlier.find(job.file);
            if (skip != earlier.end()) std::cout << skippedLine(job.file, skip->second) << "\n";
        }
    }
    std::cout << earlier.size() << (earlier.size() == 1 ? " file" : " files")
              << " already published, skipped; --again sends "
              << (earlier.size() == 1 ? "it" : "them") << "\n" << std::flush;
}

// A skipped upload's document gets what the ledger says of it.
void withLedgerEntry(nlohmann::ordered_json& upload,
                     const std::map<std::string, LedgerEntry>& earlier) {
    auto skip = earlier.find(upload.value("file", std::string()));
    if (upload.value("verdict", std::string()) != "skipped" || skip == earlier.end()) return;
    upload["ledger"] = {{"outcome", skip->second.outcome},
                        {"time", skip->second.time},
                        {"title", skip->second.title}};
}

// "checking NAME" while a large file is hashed for the ledger, with how far
// it got on a terminal; small files are hashed too fast to say.
CheckingProgress checkingProgress(const Reporter& reporter) {
    constexpr uint64_t kLargeFile = 64 << 20;
    if (!reporter.showProgress()) return {};
    return [&reporter, shown = -1](const std::string& file, uint64_t done, uint64_t total) mutable {
        if (total < kLargeFile) return;
        const std::string name = visible(std::filesystem::path(file).filename().string());
        if (!reporter.progressOnTerminal()) {
            if (shown < 0) std::cerr << "checking " << name << "\n";
            shown = done >= total ? -1 : 0;
            return;
        }
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == shown) return;
        shown = done >= total ? -1 : percent;
        std::cerr << "\rchecking " << name << " " << percent << "%\x1b[K"
                  << (done >= total ? "\r\x1b[K" : "") << std::flush;
    };
}

// A ledger that cannot be used stops the upload before anything is sent.
int ledgerUnusable(const Reporter& reporter, const std::string& why) {
    return reporter.fail(exit_status::failure,
                         "the ledger of uploads cannot be used (" + why +
                             "); nothing was sent. Mend or move it, or give --no-ledger to send "
                             "without skipping, claiming or noting anything");
}

int uploadFiles(const Options& options, const Reporter& reporter, Session& session,
                const std::vector<UploadJob>& given, const ConfigFile& config,
                const FolderFiles& folders, BatchLedger& ledger) {
    InterruptGuard guard;  // Ctrl-C, SIGTERM and SIGHUP now cancel through the progress callback
    ListCache cache(ledger.ledger(), options.user + " " + proxyInUse() + " " + kApiHost);
    if (options.upload.refresh) cache.bypass();
    std::vector<UploadJob> jobs = given;
    std::vector<LeftOut> leftOut = folders.leftOut;
    const std::set<std::string>& fromFolders = folders.fromFolders;
    if (!fromFolders.empty()) {  // a folder stands for its files of the accepted types
        std::string fileTypes;
        if (int status = fetchFileTypes(options, reporter, session, cache, fileTypes);
            status != exit_status::ok) {
            return status;
        }
        if (cache.servedAny() && !cache.bypassed() &&
            withAcceptedTypes(jobs, fromFolders, fileTypes).size() < jobs.size()) {
            // The service may accept a type it did not when the list was kept:
            // no file is left out for its type on a kept list's word.
            reporter.step("the kept file types leave files out; asking the service for them");
            if (int status = fetchFileTypes(options, reporter, session, cache, fileTypes, true);
                status != exit_status::ok) {
                return status;
            }
        }
        jobs = withAcceptedTypes(jobs, fromFolders, fileTypes, &leftOut);
        tellLeftOut(reporter, leftOut);
        if (jobs.empty()) {
            const std::string text = "nothing to upload: the folders hold no files of the types the "
                                     "service accepts (" + fileTypes + ")";
            std::cerr << "clipferry: " << visible(text) << "\n";
            if (reporter.json()) {
                nlohmann::ordered_json document =
                    failureDocument("", std::nullopt, exit_status::badArgument, text);
                document["left_out"] = leftOutJson(leftOut);
                reporter.document(document);
            }
            return exit_status::badArgument;
        }
    }
    // What this user published before is left out, unless --again.
    LedgerSplit split;
    try {
        split = ledger.split(options.user, jobs, options.upload.again);
    } catch (const LedgerError& e) {
        return ledgerUnusable(reporter, e.what());
    }
    const std::vector<UploadJob>& toSend = split.toSend;
    const std::map<std::string, LedgerEntry>& earlier = split.earlier;
    for (const std::string& repeat : split.repeats) {
        std::cerr << "clipferry: warning: " << visible(repeat) << "\n";
    }
    ServiceLists lists;
    if (!toSend.empty()) {
        if (int status = checkBeforeSending(options, reporter, session, toSend, lists, cache);
            status != exit_status::ok) {
            return status;
        }
    }
    if (options.upload.dryRun) {
        if (reporter.json()) {
            nlohmann::ordered_json document = dryRunJson(toSend, lists);
            if (!fromFolders.empty()) document["left_out"] = leftOutJson(leftOut);
            document["skipped"] = nlohmann::ordered_json::array();
            for (const UploadJob& job : jobs) {
                auto skip = earlier.find(job.file);
                if (skip != earlier.end()) {
                    document["skipped"].push_back(uploadJson(skippedOutcome(job.file, skip->second)));
                    withLedgerEntry(document["skipped"].back(), earlier);
                }
            }
            reporter.document(document);
        } else {
            tellPublishedBefore(reporter, jobs, earlier);
            std::cout << renderDryRun(toSend, lists);
        }
        return exit_status::ok;
    }
    if (!toSend.empty()) tellTermsOnce(reporter, config, options.user);
    tellPublishedBefore(reporter, jobs, earlier);
    bool batch = jobs.size() > 1;
    std::vector<UploadOutcome> outcomes;
    size_t sending = 0;  // the files being sent, for "2/7" on the progress line
    bool ledgerFailed = false;  // the ledger could not be written: nothing more is sent
    for (const UploadJob& job : jobs) {
        if (auto skip = earlier.find(job.file); skip != earlier.end()) {
            outcomes.push_back(skippedOutcome(job.file, skip->second));
            continue;
        }
        // Claimed before its first byte, so another command does not send it too.
        std::optional<LedgerEntry> taken;
        if (!interrupted() && !ledgerFailed) {
            try {
                taken = ledger.claim(options.user, job, options.upload.again);
            } catch (const LedgerError& e) {
                std::cerr << "clipferry: the ledger of uploads cannot be written ("
                          << visible(e.what()) << "): " << visible(job.file)
                          << " and the files after it were not sent; --no-ledger sends without it\n";
                ledgerFailed = true;
            }
        }
        if (interrupted() || ledgerFailed) {  // Ctrl-C stops the batch: the rest is not sent
            UploadOutcome skipped;
            skipped.file = job.file;
            skipped.title = job.fields.title;
            skipped.exitStatus = ledgerFailed ? exit_status::failure : exit_status::interrupted;
            outcomes.push_back(skipped);
            continue;
        }
        if (taken) {
            outcomes.push_back(skippedOutcome(job.file, *taken));
            if (!reporter.json()) std::cout << skippedLine(job.file, *taken) << "\n";
            continue;
        }
        ++sending;
        const std::string place = toSend.size() > 1 ? std::to_string(sending) + "/" +
                                                          std::to_string(toSend.size()) + " "
                                                    : "";
        try {
            outcomes.push_back(uploadOne(options, reporter, session, job, place));
        } catch (const TextError& e) {
            outcomes.push_back(notSendable(
                job, std::string(e.what()) + "; the file's name and every field must be UTF-8 text"));
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
            std::cerr << "clipferry: " << kept << "\n";
            outcome.error += "; " + kept;
        }
        try {
            if (ledger.settle(outcome)) {
                std::cerr << "clipferry: warning: " << visible(job.file)
                          << " changed or was replaced while it was sent: the ledger notes the "
                             "upload but does not skip the file on a later run\n";
            }
        } catch (const LedgerError& e) {
            std::cerr << "clipferry: " << visible(job.file) << " was " << verdictName(outcome.verdict)
                      << " but the ledger could not note it (" << visible(e.what())
                      << "): a later run would send it again; the files after it were not sent\n";
            outcome.exitStatus = worseExitStatus(outcome.exitStatus, exit_status::failure);
            ledgerFailed = true;
        }
        if (outcome.verdict == Verdict::Accepted && !reporter.json()) {
            std::cout << (batch ? visible(job.file) + ": " : "") << "accepted: "
                      << (outcome.message.empty() ? "(no message)" : visible(outcome.message)) << "\n"
                      << std::flush;
        }
    }
    BatchSummary summary = summarize(outcomes);
    if (reporter.json()) {
        nlohmann::ordered_json document =
            batch ? batchJson(outcomes, summary) : uploadJson(outcomes.front());
        if (!fromFolders.empty()) document["left_out"] = leftOutJson(leftOut);
        if (batch) {
            for (auto& upload : document["uploads"]) withLedgerEntry(upload, earlier);
        } else {
            withLedgerEntry(document, earlier);
        }
        reporter.document(document);
    } else if (batch) {
        std::cout << summaryLine(summary) << "\n";
    }
    return summary.exitStatus;
}

std::string obtainPasswordFor(const Options& options, Reporter& reporter) {
    if (options.passwordFromStdin) {
        reporter.passwordFrom("the password given on standard input (--password-stdin)");
        return readPasswordLine(std::cin);
    }
    if (!std::getenv(kPasswordVariable)) {
        if (auto remembered = rememberedPassword(options.user)) {
            reporter.passwordFrom("the password remembered in the keyring (clipferry logout forgets it)");
            return *remembered;
        }
        reporter.passwordFrom("the password typed at the prompt");
    }
    return obtainPassword(options.user);
}

// A refused login, said as what it was: a refusal Lumivid sent, or an answer
// from something that is not Lumivid (a wrong proxy), which the library
// cannot tell apart.
int loginFailed(const Reporter& reporter, int32_t result) {
    Circumstances circumstances = reporter.circumstances(Operation::Login);
    if (exitStatusFor(result) == exit_status::refused) {
        const std::optional<bool> lumivid = answersAsLumivid();
        if (lumivid) {
            circumstances.loginAnswer = *lumivid ? Circumstances::LoginAnswer::Lumivid
                                                 : Circumstances::LoginAnswer::NotLumivid;
        }
        if (keepsAnswers()) circumstances.dumpFile = dumpDirectory() + kLoginAnswerFile;
    }
    return reporter.fail(Operation::Login, result, circumstances);
}

void describeSetting(const Reporter& reporter, const Settings& settings) {
    std::string proxy = proxyInUse();
    reporter.step(proxy.empty() ? std::string("no proxy (--proxy, CLIPFERRY_PROXY_SERVER and "
                                              "config.toml name none): straight to ") + kApiHost
                                : "proxy " + proxy + " (" + settings.proxy.origin.name + ")");
    if (keepsAnswers()) {
        reporter.step(std::string(kLogVariable) + "=" + kKeepAnswers + ": each answer is kept in " +
                      dumpDirectory() + kAnswerFiles + ", and libcurl traces to standard error");
    }
}
}  // namespace

int runCommand(const Options& given) {
    Options options = given;
    Reporter reporter(options);
    // config.toml first: every command, `config` too, stops at a file with a mistake in it.
    const EnvLookup environment = processEnvironment();
    ConfigFile config;
    if (auto path = configFilePath(environment)) {
        try {
            config = loadConfigFile(*path);
        } catch (const ConfigError& e) {
            return reporter.fail(exit_status::badArgument,
                                 std::string("config file: ") + e.what() + "; correct or remove it");
        }
    }
    for (const std::string& warning : config.warnings) {
        std::cerr << "clipferry: warning: " << warning << "\n";
    }
    if (options.command == Command::History) {
        return runHistory(ledgerPath(environment), reporter.json(), std::cout, std::cerr);
    }
    const Settings settings = resolveSettings(config, environment, options.given);
    if (options.command == Command::Config) {
        if (reporter.json()) {
            ConfigFile told = config;  // the users told of the terms: 1.0's file and the note
            try {
                if (auto note = termsNotePath(environment)) {
                    const std::set<std::string> noted = termsNotedUsers(*note);
                    told.termsAccepted.insert(noted.begin(), noted.end());
                }
            } catch (const TermsNoteError&) {
                // Said by the upload that would write it; the settings are the point here.
            }
            nlohmann::ordered_json document = settingsJson(settings, told);
            document["password_remembered"] = rememberedState(settings.user.value).stored;
            reporter.document(document);
        } else {
            std::cout << renderSettings(settings);
        }
        if (!reporter.json()) std::cout << "remembered  " << rememberedState(settings.user.value).text << "\n";
        return exit_status::ok;
    }
    options.user = settings.user.value;
    options.retries = settings.retry.value;
    if (options.command == Command::Logout) return forgetLogin(options.user, reporter.json(), std::cout, std::cerr);
    // The library reads the proxy from the environment when its context is created.
    if (settings.proxy.origin.kind != Origin::Environment) {
        if (settings.proxy.value.empty()) {
            unsetenv(kProxyVariable);
        } else {
            setenv(kProxyVariable, settings.proxy.value.c_str(), 1);
        }
    }
    reporter.proxyFrom(settings.proxy.origin.name);
    if (settings.user.origin.kind == Origin::Environment) reporter.userFrom(kUserVariable);
    if (settings.user.origin.kind == Origin::File) {
        reporter.userFrom("user in " + settings.user.origin.name);
    }
    if (auto bad = findBadArgument(options)) {
        return reporter.fail(exit_status::badArgument, "bad argument: " + *bad);
    }
    try {
        std::vector<UploadJob> jobs;
        FolderFiles folders;
        std::vector<std::string> problems;  // the files' own, said with the service's
        std::optional<BatchLedger> ledger;  // upload: opened before the password is asked for
        if (options.command == Command::Upload) {
            UploadFields defaults;
            defaults.categories = config.categories;
            defaults.moderator = config.moderator;
            folders = expandFolders(options.upload.files, options.upload.recursive);
            std::vector<std::string> warnings = folders.warnings;
            UploadOptions upload = options.upload;
            upload.files = folders.files;
            if (upload.files.empty()) {
                for (const std::string& warning : warnings) std::cerr << "clipferry: " << warning << "\n";
                tellLeftOut(reporter, folders.leftOut);
                return reporter.fail(exit_status::badArgument, "nothing to upload");
            }
            jobs = withoutRepeats(buildUploadJobs(upload, defaults, std::cin, &warnings), warnings);
            for (const std::string& warning : warnings) {
                std::cerr << "clipferry: warning: " << visible(warning) << "\n";
            }
            problems = localProblems(jobs);
            if (!problems.empty() && options.upload.noCheck) {
                return reportProblems(options, reporter, problems, {});
            }
            try {
                ledger.emplace(ledgerPath(environment), !options.upload.noLedger,
                               checkingProgress(reporter));
            } catch (const LedgerError& e) {
                return ledgerUnusable(reporter, e.what());
            }
        }
        std::string password = obtainPasswordFor(options, reporter);
        if (password.empty()) {
            return reporter.fail(exit_status::badArgument, "bad argument: the password is empty");
        }
        describeSetting(reporter, settings);
        Session session;
        reporter.step("logging in as " + options.user + " at " + kApiHost);
        int32_t result = withRetry(options, reporter, Operation::Login,
                                   [&] { return session.login(options.user, password); });
        // A password typed at the prompt may be mistyped: asked again, as a
        // terminal login does, while Lumivid itself says it is wrong.
        const bool typed = !options.passwordFromStdin && !std::getenv(kPasswordVariable);
        for (int typedTimes = 1; typed && typedTimes < kPasswordTries &&
                                 exitStatusFor(result) == exit_status::refused &&
                                 answersAsLumivid().value_or(false);
             ++typedTimes) {
            std::cerr << "clipferry: login refused: wrong user name or password; try again ("
                      << typedTimes + 1 << " of " << kPasswordTries << ")\n";
            password = obtainPassword(options.user);
            if (password.empty()) {
                return reporter.fail(exit_status::badArgument, "bad argument: the password is empty");
            }
            result = withRetry(options, reporter, Operation::Login,
                               [&] { return session.login(options.user, password); });
        }
        if (result != 0 && !problems.empty()) {
            return reportProblems(options, reporter, problems, {},
                                  explain(Operation::Login, result,
                                          reporter.circumstances(Operation::Login)).text);
        }
        if (result != 0) {
            return loginFailed(reporter, result);
        }
        reporter.step("logged in");
        switch (options.command) {
        case Command::Login:
            offerToRemember(options.user, password, options.remember, std::cerr);
            if (reporter.json()) {
                // The library tells its host nothing more about the account.
                reporter.document(
                    {{"ok", true}, {"user", options.user}, {"contact", {{"user", options.user}}}});
            } else {
                std::cout << "logged in as " << options.user << "\n";
            }
            return exit_status::ok;
        case Command::FileTypes: return listFileTypes(options, reporter, session);
        case Command::Categories: return listCategories(options, reporter, session);
        case Command::Moderators: return listModerators(options, reporter, session);
        case Command::Upload:
            return uploadFiles(options, reporter, session, jobs, config, folders, *ledger);
        case Command::Config:
        case Command::History:
        case Command::Logout: break;  // answered above, without a login
        }
    } catch (const PasswordError& e) {
        return reporter.fail(interrupted() ? exit_status::interrupted : exit_status::failure, e.what());
    } catch (const MetadataError& e) {
        return reporter.fail(exit_status::badArgument, std::string("bad argument: ") + e.what());
    } catch (const TextError& e) {
        return reporter.fail(exit_status::badArgument, std::string("bad argument: ") + e.what());
    } catch (const std::exception& e) {
        return reporter.fail(exit_status::failure, e.what());
    }
    return exit_status::failure;
}

}  // namespace clipferry::cli
