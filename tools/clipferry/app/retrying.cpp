// Retries as the user sees them: the whole failure once, then a short line per retry.
#include "app/retrying.h"

#include <optional>

#include "text/units.h"
#include "progress/waiting_line.h"

namespace clipferry::cli {

Attempt withRetry(const Context& context, Operation operation, const Circumstances& circumstances,
                  const std::function<Attempt()>& attempt) {
    RetryPolicy policy;
    policy.retries = context.retries();
    std::optional<int32_t> said;  // the failure whose whole text was given last
    return withRetry(policy, attempt, [&](int retry, int32_t failed, auto delay) {
        // The whole text once; the same failure again is a short line.
        const std::string what = said == failed ? "failed again the same way"
                                                : explain(operation, failed, circumstances).text;
        said = failed;
        context.io.err() << "clipferry: " << what << "; retry " << retry << " of " << policy.retries
                         << " in " << formatDuration(delay.count() / 1000.0) << "\n";
        return context.pause(delay);
    });
}

int32_t withRetry(const Context& context, Operation operation, const std::function<int32_t()>& attempt) {
    const Io& io = context.io;
    return withRetry(context, operation, io.circumstances(operation),
                    [&] {
                        WaitingLine waiting(io.err(), io.showWaiting(), io.waitingFor());
                        return Attempt{attempt()};
                    })
        .result;
}

}  // namespace clipferry::cli
