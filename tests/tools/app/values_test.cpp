#include "app/values.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace clipferry::cli
