// Sizes and durations as the command shows them.
#include "text/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace clipferry::cli {
namespace {

TEST(Units, Bytes) {
    const std::pair<double, const char*> cases[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KiB"}, {1536, "1.5 KiB"},
        {5 * 1048576.0, "5.0 MiB"}, {3.25 * 1073741824.0, "3.2 GiB"},
        {2048 * 1099511627776.0, "2048.0 TiB"}, {-5, "0 B"}, {NAN, "0 B"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(formatBytes(bytes), text) << bytes;
    }
}

TEST(Units, Durations) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"}, {5.4, "0:05"}, {59.6, "1:00"}, {754, "12:34"}, {3723, "1:02:03"},
        {-1, "--:--"}, {NAN, "--:--"}, {INFINITY, "--:--"}, {1e9, "--:--"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatDuration(seconds), text) << seconds;
    }
}

}  // namespace
}  // namespace clipferry::cli
