#include "commands.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "category_tree.h"
#include "interrupt.h"
#include "json_output.h"
#include "password.h"
#include "progress.h"
#include "result_codes.h"
#include "retry.h"
#include "session.h"
#include "terminal.h"
#include "text.h"
#include "upload_batch.h"

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

// Where the library keeps the raw answers when CLIPFERRY_LOG is 999.
std::string dumpDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    return path.back() == '/' ? path : path + "/";
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

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
        return {serviceMessage, interrupted(), proxyInUse(), host, file};
    }

    // A failed library call: the line on standard error and, with --json, the
    // document on standard output. Gives the exit status.
    int fail(Operation operation, int32_t result, const Circumstances& circumstances) const {
        Explanation explanation = explain(operation, result, circumstances);
        std::cerr << "clipferry: " << explanation.text << "\n";
        if (json()) {
            document(failureDocument(operationName(operation), result, explanation.exitStatus,
                                     explanation.text));
        }
        return explanation.exitStatus;
    }

    // A failure before the library was asked.
    int fail(int exitStatus, const std::string& text) const {
        std::cerr << "clipferry: " << text << "\n";
        if (json()) document(failureDocument("", std::nullopt, exitStatus, text));
        return exitStatus;
    }

private:
    const Options& options_;
    bool stdoutTerminal_;
    bool stderrTerminal_;
};

Attempt retrying(const Options& options, Operation operation, const Circumstances& circumstances,
                 const std::function<Attempt()>& attempt) {
    RetryPolicy policy;
    policy.retries = options.retries;
    return runWithRetry(policy, attempt, [&](int retry, int32_t failed, auto delay) {
        std::cerr << "clipferry: " << explain(operation, failed, circumstances).text << "; retry "
                  << retry << " of " << policy.retries << " in "
                  << formatDuration(delay.count() / 1000.0) << "\n";
        return waitUnlessInterrupted(delay);
    });
}

int32_t withRetry(const Options& options, const Reporter& reporter, Operation operation,
                  const std::function<int32_t()>& attempt) {
    return retrying(options, operation, reporter.circumstances(operation),
                    [&] { return Attempt{attempt()}; })
        .result;
}

std::vector<std::string> splitFileTypes(const std::string& text) {
    std::vector<std::string> types;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ';');) {
        auto first = item.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            types.push_back(item.substr(first, item.find_last_not_of(" \t\r\n") - first + 1));
        }
    }
    return types;
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
        std::cout << type << "\n";
    }
    return exit_status::ok;
}

int listCategories(const Options& options, const Reporter& reporter, Session& session) {
    std::vector<Category> tree;
    FetchChildren fetch = [&](int32_t parent, std::vector<Category>& children) {
        reporter.step("asking for the categories below " + std::to_string(parent));
        return withRetry(options, reporter, Operation::Categories,
                         [&] { return session.categories(parent, children); });
    };
    int32_t result = fetchCategoryTree(options.parent, options.recursive, fetch, tree);
    if (result != 0) {
        return reporter.fail(Operation::Categories, result,
                             reporter.circumstances(Operation::Categories));
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
        std::cout << moderator.id << " " << moderator.firstName << " " << moderator.lastName << "\n";
    }
    return exit_status::ok;
}

// The place where the uploads are checked against what the service accepts,
// before the first byte of any file goes out. Nothing is checked here yet.
int checkBeforeSending(const std::vector<UploadJob>&, const Reporter&, Session&) {
    return exit_status::ok;
}

// One file, with its own progress and retries; says on standard error what went wrong.
UploadOutcome uploadOne(const Options& options, const Reporter& reporter, Session& session,
                        const UploadJob& job) {
    UploadOutcome outcome;
    outcome.file = job.file;
    outcome.title = job.fields.title;
    UploadReport report;
    std::time_t started = 0;
    double firstStart = secondsNow();
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
        Attempt attempt = session.upload(job, meter ? &*meter : nullptr, steps, report);
        if (meter) {
            meter->finish(attempt.result == 0 || exitStatusFor(attempt.result) == exit_status::refused);
        }
        return attempt;
    });
    outcome.seconds = std::round((secondsNow() - firstStart) * 1000) / 1000;
    std::error_code error;
    outcome.bytes = std::filesystem::file_size(job.file, error);  // 0 when it cannot be measured
    if (error) outcome.bytes = 0;
    outcome.bytesSent = report.bytesSent;
    outcome.message = report.message;
    outcome.result = last.result;
    outcome.verdict = verdictFor(last.result);
    outcome.exitStatus = exitStatusFor(last.result);
    reporter.step(job.file + ": verdict: " + verdictName(outcome.verdict));
    if (last.result == 0) {
        return outcome;
    }
    circumstances.serviceMessage = report.message;
    circumstances.interrupted = interrupted();
    circumstances.everyByteSent = last.everyByteSent;
    outcome.error = explain(Operation::Upload, last.result, circumstances).text;
    std::cerr << "clipferry: " << outcome.error << "\n";
    if (isTransient(last.result) && last.everyByteSent) {
        // Sending it again could publish the video twice.
        std::cerr << "clipferry: the whole file was sent, so the service may have received it, "
                     "and it is not sent again. Look for \"" << job.fields.title << "\" (sent "
                  << localTime(started) << ") among your videos before uploading it again\n";
    }
    return outcome;
}

int uploadFiles(const Options& options, const Reporter& reporter, Session& session,
                const std::vector<UploadJob>& jobs) {
    InterruptGuard guard;  // Ctrl-C now cancels through the progress callback
    if (int status = checkBeforeSending(jobs, reporter, session); status != exit_status::ok) {
        return status;
    }
    bool batch = jobs.size() > 1;
    std::vector<UploadOutcome> outcomes;
    for (const UploadJob& job : jobs) {
        if (interrupted()) {  // Ctrl-C stops the batch: the rest is not sent
            UploadOutcome skipped;
            skipped.file = job.file;
            skipped.title = job.fields.title;
            skipped.exitStatus = exit_status::cancelled;
            outcomes.push_back(skipped);
            continue;
        }
        outcomes.push_back(uploadOne(options, reporter, session, job));
        const UploadOutcome& outcome = outcomes.back();
        if (outcome.verdict == Verdict::Accepted && !reporter.json()) {
            std::cout << (batch ? job.file + ": " : "") << "accepted: "
                      << (outcome.message.empty() ? "(no message)" : outcome.message) << "\n"
                      << std::flush;
        }
    }
    BatchSummary summary = summarize(outcomes);
    if (reporter.json()) {
        reporter.document(batch ? batchJson(outcomes, summary) : uploadJson(outcomes.front()));
    } else if (batch) {
        std::cout << summaryLine(summary) << "\n";
    }
    return summary.exitStatus;
}

std::string obtainPasswordFor(const Options& options) {
    if (options.passwordFromStdin) {
        return readPasswordLine(std::cin);
    }
    return obtainPassword(options.user);
}

void describeSetting(const Reporter& reporter) {
    std::string proxy = proxyInUse();
    reporter.step(proxy.empty() ? std::string("no proxy (CLIPFERRY_PROXY_SERVER is not set): "
                                              "straight to ") + kApiHost
                                : "proxy " + proxy + " (CLIPFERRY_PROXY_SERVER)");
    const char* log = std::getenv("CLIPFERRY_LOG");
    if (log && std::string(log) == "999") {
        reporter.step("CLIPFERRY_LOG=999: each answer is kept in " + dumpDirectory() +
                      "Clipferry_*.xml, and libcurl traces to standard error");
    }
}
}  // namespace

int runCommand(const Options& options) {
    Reporter reporter(options);
    if (auto bad = findBadArgument(options)) {
        return reporter.fail(exit_status::badArgument, "bad argument: " + *bad);
    }
    try {
        std::vector<UploadJob> jobs;
        if (options.command == Command::Upload) {
            jobs = buildUploadJobs(options.upload, std::cin);
        }
        std::string password = obtainPasswordFor(options);
        if (password.empty()) {
            return reporter.fail(exit_status::badArgument, "bad argument: the password is empty");
        }
        describeSetting(reporter);
        Session session;
        reporter.step("logging in as " + options.user + " at " + kApiHost);
        int32_t result = withRetry(options, reporter, Operation::Login,
                                   [&] { return session.login(options.user, password); });
        if (result != 0) {
            return reporter.fail(Operation::Login, result, reporter.circumstances(Operation::Login));
        }
        reporter.step("logged in");
        switch (options.command) {
        case Command::Login:
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
        case Command::Upload: return uploadFiles(options, reporter, session, jobs);
        }
    } catch (const PasswordError& e) {
        return reporter.fail(exit_status::failure, e.what());
    } catch (const TextError& e) {
        return reporter.fail(exit_status::badArgument, std::string("bad argument: ") + e.what());
    } catch (const std::exception& e) {
        return reporter.fail(exit_status::failure, e.what());
    }
    return exit_status::failure;
}

}  // namespace clipferry::cli
