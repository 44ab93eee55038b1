// One upload call to the service, as the user watches it.
#include "commands/upload/send_one.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>

#include <clipferry.h>

#include "app/retrying.h"
#include "commands/upload/folder_files.h"
#include "progress/progress.h"
#include "text/units.h"
#include "progress/terminal.h"
#include "app/interrupt.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
UploadOutcome outcomeFor(const UploadJob& job) {
    UploadOutcome outcome;
    outcome.file = job.file;
    outcome.title = job.fields.title;
    return outcome;
}
}  // namespace

UploadOutcome uploadOne(const Context& context, Service& service, const UploadJob& job,
                        const UploadLimits& limits, const std::string& place) {
    const Io& io = context.io;
    UploadOutcome outcome = outcomeFor(job);
    UploadReport report;
    std::time_t started = 0;
    const double firstStart = steadySeconds();
    Circumstances circumstances = io.circumstances(Operation::Upload, job.file);
    TerminalWidth width(io.errDescriptor());  // follows the window's size while the file goes out
    io.step(job.file + ": asking " + kApiHost + " for the upload server (else " + kUploadHost + ")");
    const Attempt last = withRetry(context, Operation::Upload, circumstances, [&] {
        started = std::time(nullptr);
        std::optional<ProgressMeter> meter;
        if (io.showProgress()) {
            meter.emplace(io.err(), io.progressOnTerminal(), ProgressMeter::steadyClock(),
                          [&] { return width.columns(); });
            meter->label(place + visible(std::filesystem::path(job.file).filename().string()));
        }
        UploadSteps steps;
        steps.sending = [&] { io.step(job.file + ": sending to the upload server"); };
        steps.everyByteSent = [&] {
            // The meter shows the wait itself; a verbose step line would break it.
            if (io.verbose()) {
                if (meter) meter->finish(true);
                io.step(job.file + ": every byte sent; waiting for the verdict");
            }
        };
        const Attempt attempt = service.upload(job, meter ? &*meter : nullptr, steps,
                                               limits, report);
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
    io.step(visible(job.file) + ": verdict: " + verdictName(outcome.verdict));
    if (last.result == 0) {
        return outcome;
    }
    circumstances.serviceMessage = report.message;
    circumstances.interrupted = interrupted();
    circumstances.everyByteSent = last.everyByteSent;
    circumstances.stalledFor = report.stalledFor;
    circumstances.stallLimit = limits.stallTimeout;
    const Explanation explanation = explain(Operation::Upload, last.result, circumstances);
    outcome.exitStatus = explanation.exitStatus;
    outcome.error = explanation.text;
    io.err() << "clipferry: " << visible(outcome.error) << "\n";
    if (outcome.verdict == Verdict::MayHaveBeenReceived) {
        // Whatever ended it, the service may have the video: sending it again could publish it twice.
        io.err() << "clipferry: every byte was handed to the network, so the service may have "
                    "received it, and it is not sent again. Look for \"" << visible(job.fields.title)
                 << "\" (sent " << localTime(started) << ") among your videos before uploading it again\n";
    }
    return outcome;
}

UploadOutcome notSendable(const Context& context, const UploadJob& job, const std::string& why) {
    UploadOutcome outcome = outcomeFor(job);
    outcome.bytes = fileSizeOrZero(job.file);
    outcome.verdict = Verdict::Failed;
    outcome.result = CLIPFERRY_BAD_ARGUMENT;  // what the library says of an argument it cannot take
    outcome.exitStatus = exit_status::badArgument;
    outcome.error = "upload of " + job.file + ": " + why;
    context.io.err() << "clipferry: " << visible(outcome.error) << "\n";
    return outcome;
}

}  // namespace clipferry::cli
