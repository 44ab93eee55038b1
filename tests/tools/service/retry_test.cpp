#include "service/retry.h"

#include <gtest/gtest.h>

#include <vector>

namespace clipferry::cli {
namespace {

using std::chrono::milliseconds;

struct Outcome {
    int32_t result;
    int attempts;
    std::vector<milliseconds> waits;
};

// Plays back `results` one attempt at a time (the last one repeats).
Outcome play(int retries, std::vector<Attempt> results, bool keepGoing = true) {
    RetryPolicy policy;
    policy.retries = retries;
    Outcome run{0, 0, {}};
    run.result = withRetry(
        policy,
        [&] { return results[std::min<size_t>(run.attempts++, results.size() - 1)]; },
        [&](int retry, int32_t, milliseconds delay) {
            EXPECT_EQ(retry, static_cast<int>(run.waits.size()) + 1);
            run.waits.push_back(delay);
            return keepGoing;
        }).result;
    return run;
}

TEST(Retry, TransientFailuresAreTriedAgainWithDoublingWaits) {
    struct Case {
        const char* name;
        int retries;
        std::vector<Attempt> results;  // {result, every byte sent}
        int32_t finalResult;
        int attempts;
    };
    const Case cases[] = {
        {"success at once", 3, {{0}}, 0, 1},
        {"no retries asked", 0, {{7}}, 7, 1},
        {"connect fails then works", 3, {{7}, {0}}, 0, 2},
        {"timeout then send error then works", 3, {{28}, {55}, {0}}, 0, 3},
        {"receive error and dropped connection use up the retries", 2, {{56}, {52}}, 52, 3},
        {"refusal is final", 5, {{83}}, 83, 1},
        {"bad argument is final", 5, {{82}}, 82, 1},
        {"cancellation is final", 5, {{42}}, 42, 1},
        {"could not resolve the host is tried again", 5, {{6}, {0}}, 0, 2},
        {"a proxy handshake failure is tried again", 5, {{97}, {0}}, 0, 2},
        {"transient then refusal stops", 5, {{7}, {83}}, 83, 2},
        {"a drop mid-request is tried again", 5, {{55}, {0}}, 0, 2},
        {"a drop after every byte went out is final", 5, {{52, true}}, 52, 1},
        {"a receive error after every byte went out is final", 5, {{7}, {56, true}}, 56, 2},
        {"a timeout awaiting the verdict is final", 5, {{28, true}}, 28, 1},
    };
    for (const Case& c : cases) {
        Outcome run = play(c.retries, c.results);
        EXPECT_EQ(run.result, c.finalResult) << c.name;
        EXPECT_EQ(run.attempts, c.attempts) << c.name;
        ASSERT_EQ(run.waits.size(), static_cast<size_t>(c.attempts - 1)) << c.name;
        for (size_t i = 0; i < run.waits.size(); ++i) {
            EXPECT_EQ(run.waits[i], milliseconds(1000 << i)) << c.name;
        }
    }
}

TEST(Retry, GivingUpDuringTheWaitKeepsTheLastResult) {
    Outcome run = play(5, {{28}}, false);
    EXPECT_EQ(run.result, 28);
    EXPECT_EQ(run.attempts, 1);
}

TEST(Retry, WaitsStopGrowingAtTheLongest) {
    RetryPolicy policy;
    EXPECT_EQ(delayBefore(policy, 1), milliseconds(1000));
    EXPECT_EQ(delayBefore(policy, 6), milliseconds(32000));
    EXPECT_EQ(delayBefore(policy, 7), milliseconds(60000));
    EXPECT_EQ(delayBefore(policy, 100), milliseconds(60000));  // no overflow
}

}  // namespace
}  // namespace clipferry::cli
