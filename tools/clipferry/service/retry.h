// Trying an operation again after a network failure that may pass by itself,
// but never an upload the service may already have received.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace clipferry::cli {

struct RetryPolicy {
    int retries = 0;  // further attempts after the first
    std::chrono::milliseconds firstDelay{1000};
    std::chrono::milliseconds longestDelay{60000};
};

// One try of an operation. everyByteSent: the whole request went out, so a
// failure after it may come after the service acted on it.
struct Attempt {
    int32_t result = 0;
    bool everyByteSent = false;
};

// Whether to try again: a transient failure (isTransient), before the whole
// request went out. Sending it twice could publish one video twice.
bool mayRetry(const Attempt& attempt);

// The wait before retry number `retry` (1 for the first): doubles each time, capped.
std::chrono::milliseconds delayBefore(const RetryPolicy& policy, int retry);

// Called before each retry with its number, the failed result and the wait;
// it does the waiting, and returns false to give up instead.
using BeforeRetry = std::function<bool(int retry, int32_t failed, std::chrono::milliseconds delay)>;

// Runs attempt until it gives a result that may not be retried or the
// retries are used up; returns the last attempt.
Attempt withRetry(const RetryPolicy& policy, const std::function<Attempt()>& attempt,
                  const BeforeRetry& beforeRetry);

}  // namespace clipferry::cli

namespace clipferry::cli {


}  // namespace clipferry::cli
