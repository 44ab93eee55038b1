#include "service/retry.h"

#include <algorithm>

#include "service/result_codes.h"

namespace clipferry::cli {

bool mayRetry(const Attempt& attempt) {
    return isTransient(attempt.result) && !attempt.everyByteSent;
}

std::chrono::milliseconds delayBefore(const RetryPolicy& policy, int retry) {
    auto delay = policy.firstDelay;
    for (int i = 1; i < retry && delay < policy.longestDelay; ++i) {
        delay *= 2;
    }
    return std::min(delay, policy.longestDelay);
}

Attempt withRetry(const RetryPolicy& policy, const std::function<Attempt()>& attempt,
                  const BeforeRetry& beforeRetry) {
    Attempt last = attempt();
    for (int retry = 1; retry <= policy.retries && mayRetry(last); ++retry) {
        if (!beforeRetry(retry, last.result, delayBefore(policy, retry))) {
            break;
        }
        last = attempt();
    }
    return last;
}


}  // namespace clipferry::cli
