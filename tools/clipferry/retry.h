// Trying an operation again after a network failure that may pass by itself.
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

// Connection refused, timeout, send or receive error, connection dropped.
// Refusals (83), bad arguments (82) and cancellation (42) are final.
bool isTransient(int32_t result);

// The wait before retry number `retry` (1 for the first): doubles each time, capped.
std::chrono::milliseconds delayBefore(const RetryPolicy& policy, int retry);

// Called before each retry with its number, the failed result and the wait;
// it does the waiting, and returns false to give up instead.
using BeforeRetry = std::function<bool(int retry, int32_t failed, std::chrono::milliseconds delay)>;

// Runs attempt until it gives a final result or the retries are used up;
// returns the last result.
int32_t runWithRetry(const RetryPolicy& policy, const std::function<int32_t()>& attempt,
                     const BeforeRetry& beforeRetry);

}  // namespace clipferry::cli
