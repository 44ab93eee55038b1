#include "progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace clipferry::cli {
namespace {

TEST(ProgressFormat, Bytes) {
    const std::pair<double, const char*> cases[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KiB"}, {1536, "1.5 KiB"},
        {5 * 1048576.0, "5.0 MiB"}, {3.25 * 1073741824.0, "3.2 GiB"},
        {2048 * 1099511627776.0, "2048.0 TiB"}, {-5, "0 B"}, {NAN, "0 B"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(formatBytes(bytes), text) << bytes;
    }
}

TEST(ProgressFormat, Durations) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"}, {5.4, "0:05"}, {59.6, "1:00"}, {754, "12:34"}, {3723, "1:02:03"},
        {-1, "--:--"}, {NAN, "--:--"}, {INFINITY, "--:--"}, {1e9, "--:--"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatDuration(seconds), text) << seconds;
    }
}

TEST(ProgressFormat, Lines) {
    struct Case { double sent, total, elapsed; int bar; const char* line; };
    const Case cases[] = {
        {2 * 1048576.0, 8 * 1048576.0, 2, 0, " 25%  2.0 MiB of 8.0 MiB  1.0 MiB/s  0:06 left"},
        {4, 8, 1, 8, "[####....]  50%  4 B of 8 B  4 B/s  0:01 left"},
        {8, 8, 1, 4, "[####] 100%  8 B of 8 B  8 B/s  0:00 left"},
        {0, 8, 0, 4, "[....]   0%  0 B of 8 B  --/s  --:-- left"},
        {1024, 0, 1, 4, "1.0 KiB sent  1.0 KiB/s"},          // total not known yet
        {16, 8, 1, 4, "[####] 100%  16 B of 8 B  16 B/s  0:00 left"},  // never past 100%
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatProgress(c.sent, c.total, c.elapsed, c.bar), c.line);
    }
}

struct FakeClock {
    double now = 100;
    ProgressMeter::Clock clock() {
        return [this] { return now; };
    }
};

TEST(ProgressMeter, PlainLinesStartWithTheFirstBytesThenFollowTheInterval) {
    std::ostringstream out;
    FakeClock time;
    ProgressMeter meter(out, false, time.clock(), 2.0);
    meter.update(0, 100);  // nothing sent yet: nothing to say
    EXPECT_EQ(out.str(), "");
    time.now += 0.5;
    meter.update(10, 100);
    time.now += 1.0;
    meter.update(20, 100);  // within the interval
    time.now += 1.0;
    meter.update(40, 100);
    time.now += 0.5;
    meter.update(100, 100);  // completion is always shown, once
    meter.update(100, 100);
    meter.finish();
    EXPECT_EQ(out.str(),
              "upload:  10%  10 B of 100 B  20 B/s  0:05 left\n"
              "upload:  40%  40 B of 100 B  16 B/s  0:04 left\n"
              "upload: 100%  100 B of 100 B  33 B/s  0:00 left\n");
}

TEST(ProgressMeter, TerminalBarRedrawsOneLineAndEndsIt) {
    std::ostringstream out;
    FakeClock time;
    ProgressMeter meter(out, true, time.clock());
    meter.update(0, 4);
    time.now += 0.05;
    meter.update(1, 4);  // too soon to redraw
    time.now += 0.2;
    meter.update(4, 4);
    meter.finish();
    meter.finish();  // a second finish adds nothing
    std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("100%"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace clipferry::cli
