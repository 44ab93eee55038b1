#include "values.h"

#include <gtest/gtest.h>

#include "pacing.h"

namespace clipferry::cli {
namespace {

TEST(Values, RatesAsCurlSpellsThemAndDurations) {
    const double K = 1024, M = 1024 * 1024;
    // (text, rate or 0 for none)
    const std::pair<const char*, double> rates[] = {
        {"500K", 500 * K}, {"2M", 2 * M}, {"2m", 2 * M}, {"1G", 1024 * M}, {"1.5M", 1.5 * M},
        {"300", 300},      {"0", 0},      {"", 0},       {"2MB", 0},       {"M", 0},
        {"-2M", 0},        {"2 M", 0},
    };
    for (const auto& [text, rate] : rates) EXPECT_EQ(parseRate(text).value_or(0), rate) << text;
    const std::pair<const char*, double> durations[] = {
        {"90", 90}, {"30s", 30}, {"2m", 120}, {"1h", 3600}, {"1m30s", 90}, {"1m30", 0},
        {"0", 0},   {"", 0},     {"5x", 0},   {"s", 0},
    };
    for (const auto& [text, seconds] : durations) {
        EXPECT_EQ(parseDuration(text).value_or(0), seconds) << text;
    }
    EXPECT_EQ(parseWholeNumber("100", 0, 100), 100);
    EXPECT_FALSE(parseWholeNumber("101", 0, 100));
    EXPECT_FALSE(parseWholeNumber("-1", 0, 100));
    EXPECT_FALSE(parseWholeNumber("1e2", 0, 100));
}

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
