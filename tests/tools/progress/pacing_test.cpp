// Pacing an upload to --limit-rate and noticing when nothing moves (--stall-timeout).
#include "progress/pacing.h"

#include <gtest/gtest.h>

namespace clipferry::cli {
namespace {

TEST(Pacing, HoldsEveryStretchToTheRateAndSaysWhenNothingMoves) {
    // Steps of one transfer started at 0: (rate, sent, now, delay).
    const double rows[][4] = {
        {1'000'000, 2'000'000, 1.0, 1.0},  // ahead by a second
        {1'000'000, 500'000, 1.0, 0},      // behind: no wait
        {0, 2'000'000, 1.0, 0},            // no limit
    };
    for (const auto& row : rows) {
        RateCeiling ceiling(row[0]);
        ceiling.start(0);
        EXPECT_NEAR(ceiling.delay(row[1], row[2]), row[3], 1e-9);
    }
    // A link that ran slow for 9 s earns no burst to catch up: the next
    // million bytes still take about a second.
    RateCeiling ceiling(1'000'000);
    ceiling.start(0);
    EXPECT_EQ(ceiling.delay(1'000'000, 10), 0);
    EXPECT_NEAR(ceiling.delay(2'000'000, 10), 0.98, 1e-9);
    EXPECT_NEAR(ceiling.allowed(2'000'000, 10.98), 2'000'000, 1e-3);

    StallWatch watch(30);
    EXPECT_FALSE(watch.stalled(100, 0));
    EXPECT_FALSE(watch.stalled(200, 20));
    EXPECT_FALSE(watch.stalled(200, 49));  // 29 s still
    EXPECT_TRUE(watch.stalled(200, 50));
    EXPECT_DOUBLE_EQ(watch.stillFor(), 30);
    watch.heldUntil(50);  // --limit-rate held the transfer: the time held is no stall
    EXPECT_FALSE(watch.stalled(200, 79));
    StallWatch never(0);
    EXPECT_FALSE(never.stalled(1, 0));
    EXPECT_FALSE(never.stalled(1, 1e6));
}

}  // namespace
}  // namespace clipferry::cli
