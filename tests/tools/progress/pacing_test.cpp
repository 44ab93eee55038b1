// Pacing an upload to --limit-rate and noticing when nothing moves (--stall-timeout).
#include "progress/pacing.h"

#include <gtest/gtest.h>

namespace clipferry::cli {
namespace {

TEST(Pacing, HoldsTheAverageAtTheRateAndSaysWhenNothingMoves) {
    // (sent, elapsed, rate, delay)
    const double rows[][4] = {
        {2'000'000, 1.0, 1'000'000, 1.0},  // ahead by a second
        {500'000, 1.0, 1'000'000, 0},      // behind: no wait
        {2'000'000, 1.0, 0, 0},            // no limit
    };
    for (const auto& row : rows) EXPECT_DOUBLE_EQ(pacingDelay(row[0], row[1], row[2]), row[3]);

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
