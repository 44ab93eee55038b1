#include "retry.h"

#include <algorithm>

namespace clipferry::cli {

bool isTransient(int32_t result) {
    switch (result) {
    case 7:   // could not connect
    case 28:  // timed out
    case 52:  // nothing received, connection dropped
    case 55:  // send error
    case 56:  // receive error
        return true;
    default:
        return false;
    }
}

std::chrono::milliseconds delayBefore(const RetryPolicy& policy, int retry) {
    auto delay = policy.firstDelay;
    for (int i = 1; i < retry && delay < policy.longestDelay; ++i) {
        delay *= 2;
    }
    return std::min(delay, policy.longestDelay);
}

int32_t runWithRetry(const RetryPolicy& policy, const std::function<int32_t()>& attempt,
                     const BeforeRetry& beforeRetry) {
    int32_t result = attempt();
    for (int retry = 1; retry <= policy.retries && isTransient(result); ++retry) {
        if (!beforeRetry(retry, result, delayBefore(policy, retry))) {
            break;
        }
        result = attempt();
    }
    return result;
}

}  // namespace clipferry::cli
