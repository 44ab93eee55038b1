#include "retry.h"

#include <algorithm>

namespace clipferry::cli {

bool isTransient(int32_t result) {
    switch (result) {
    case 5:   // could not resolve the proxy
    case 6:   // could not resolve the host
    case 7:   // could not connect
    case 18:  // the transfer ended early
    case 28:  // timed out
    case 52:  // nothing received, connection dropped
    case 55:  // send error
    case 56:  // receive error
        return true;
    default:
        return false;
    }
}

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

Attempt runWithRetry(const RetryPolicy& policy, const std::function<Attempt()>& attempt,
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
