#include "progress/progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace clipferry::cli {
namespace {

constexpr double MiB = 1048576.0;

enum class State { Moving, Starting, Unsized, Stalled, Waiting, Sent, Stopped, Unanswered };

std::string render(State state, int width) {
    switch (state) {
    case State::Moving:  // the window's speed differs from the average
        return formatProgress({4.8 * MiB, 12 * MiB, 6, 1.2 * MiB, 0, 0, -1}, width);
    case State::Starting:  // no window yet: time left from the average
        return formatProgress({1 * MiB, 12 * MiB, 0.5, -1, 0, 0, -1}, width);
    case State::Unsized:
        return formatProgress({4.8 * MiB, 0, 6, 1.2 * MiB, 0, 0, -1}, width);
    case State::Stalled:
        return formatProgress({4.8 * MiB, 12 * MiB, 20, 0, 12, 0, -1}, width);
    case State::Waiting:
        return formatProgress({12 * MiB, 12 * MiB, 10, 0, 0, 3, 5}, width);
    case State::Sent:
        return formatSummary({12 * MiB, 12 * MiB, 4, 30, true}, width);
    case State::Stopped:
        return formatSummary({4.8 * MiB, 12 * MiB, 6, 0, false}, width);
    case State::Unanswered:  // every byte went out, then the connection broke
        return formatSummary({12 * MiB, 12 * MiB, 4, 30, false}, width);
    }
    return {};
}

struct LineCase {
    const char* name;
    State state;
    int width;  // 0: not a terminal
    const char* line;
};

class ProgressLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ProgressLineTest, FitsTheWidthDroppingWholeFields) {
    const LineCase& c = GetParam();
    std::string line = render(c.state, c.width);
    EXPECT_EQ(line, c.line);
    if (c.width > 0) {
        EXPECT_LT(line.size(), static_cast<size_t>(c.width));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressLineTest,
    ::testing::Values(
        LineCase{"moving_plain", State::Moving, 0,
                 " 40%  4.8 MiB of 12.0 MiB  1.2 MiB/s  avg 819.2 KiB/s  0:06 elapsed  0:06 left"},
        LineCase{"moving_20", State::Moving, 20, " 40%  0:06 left"},
        LineCase{"moving_40", State::Moving, 40, " 40%    4.8 MiB    1.2 MiB/s  0:06 left"},
        LineCase{"moving_80", State::Moving, 80,
                 "[#####........]   40%    4.8 MiB of 12.0 MiB    1.2 MiB/s  0:06 left"},
        LineCase{"moving_200", State::Moving, 200,
                 "[###########...................]   40%    4.8 MiB of 12.0 MiB    1.2 MiB/s"
                 "  avg 819.2 KiB/s  0:06 elapsed  0:06 left"},
        LineCase{"starting_80", State::Starting, 80,
                 "[#............]    8%    1.0 MiB of 12.0 MiB         --/s  0:06 left"},
        LineCase{"unsized_40", State::Unsized, 40, "  4.8 MiB sent    1.2 MiB/s"},
        LineCase{"stalled_plain", State::Stalled, 0,
                 " 40%  4.8 MiB of 12.0 MiB  stalled 0:12  avg 245.8 KiB/s  0:20 elapsed"},
        LineCase{"stalled_20", State::Stalled, 20, " 40%  stalled 0:12"},
        LineCase{"stalled_80", State::Stalled, 80,
                 "[#####........]   40%    4.8 MiB of 12.0 MiB  stalled 0:12  0:20 elapsed"},
        LineCase{"waiting_20", State::Waiting, 20, "waiting 0:03 /"},
        LineCase{"waiting_40", State::Waiting, 40, "100%  waiting 0:03 /  0:10 elapsed"},
        LineCase{"waiting_80", State::Waiting, 80,
                 "100%   12.0 MiB of 12.0 MiB  waiting for the service's verdict 0:03 /"},
        LineCase{"waiting_200", State::Waiting, 200,
                 "[##############################]  100%   12.0 MiB of 12.0 MiB"
                 "  waiting for the service's verdict 0:03 /  avg   1.2 MiB/s  0:10 elapsed"},
        LineCase{"too_narrow_for_one_field", State::Waiting, 8, "waiting"},
        LineCase{"sent_20", State::Sent, 20, "sent 12.0 MiB"},
        LineCase{"sent_80", State::Sent, 80,
                 "sent 12.0 MiB in 0:04 (3.0 MiB/s); the verdict took 0:30 more"},
        LineCase{"stopped_20", State::Stopped, 20, "stopped at 4.8 MiB"},
        LineCase{"stopped_plain", State::Stopped, 0,
                 "stopped at 4.8 MiB of 12.0 MiB after 0:06 (819.2 KiB/s)"},
        LineCase{"unanswered_plain", State::Unanswered, 0,
                 "sent 12.0 MiB in 0:04 (3.0 MiB/s); no verdict after 0:30"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// One call to the meter, and what it wrote.
struct Step {
    double advance;   // seconds on the clock since the step before
    double sent;      // < 0: finish(); total then says whether it completed
    double total;
    int columns;
    const char* out;
};

std::string run(bool terminal, const std::vector<Step>& steps) {
    std::ostringstream out;
    double now = 100;
    int columns = 0;
    ProgressMeter meter(out, terminal, [&] { return now; }, [&] { return columns; }, 2.0);
    std::string failures;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        now += step.advance;
        columns = step.columns;
        out.str("");
        if (step.sent < 0) {
            meter.finish(step.total > 0);
        } else {
            meter.update(step.sent, step.total);
        }
        if (out.str() != step.out) {
            failures += "step " + std::to_string(i) + ": \"" + out.str() + "\"\n";
        }
    }
    return failures;
}

TEST(ProgressMeter, PlainLinesFollowTheIntervalAndSayWhenItStallsAndWaits) {
    EXPECT_EQ(run(false, {
        {0, 0, 100, 0, ""},  // nothing sent yet: nothing to say
        {0.5, 10, 100, 0,
         "upload:  10%  10 B of 100 B  20 B/s  avg 20 B/s  0:01 elapsed  0:05 left\n"},  // a speed from the first half second
        {1, 20, 100, 0, ""},  // within the interval
        {1, 40, 100, 0,
         "upload:  40%  40 B of 100 B  16 B/s  avg 16 B/s  0:03 elapsed  0:04 left\n"},
        // Nothing moved for a second: speed and time left are unknown at once.
        {1, 40, 100, 0, "upload:  40%  40 B of 100 B  --/s  avg 11 B/s  0:04 elapsed  --:-- left\n"},
        {2, 40, 100, 0,
         "upload:  40%  40 B of 100 B  --/s  avg 7 B/s  0:06 elapsed  --:-- left\n"},
        // A stall is said at once, then each interval.
        {2, 40, 100, 0, "upload:  40%  40 B of 100 B  stalled 0:05  avg 5 B/s  0:08 elapsed\n"},
        {1, 40, 100, 0, ""},
        {1, 40, 100, 0, "upload:  40%  40 B of 100 B  stalled 0:07  avg 4 B/s  0:10 elapsed\n"},
        // Every byte went: one line for the wait, however long.
        {0.5, 100, 100, 0,
         "upload: 100%  100 B of 100 B  waiting for the service's verdict  avg 10 B/s  0:10 elapsed\n"},
        {1, 100, 100, 0, ""},
        {2, 100, 100, 0, ""},
        {1, -1, 1, 0, "sent 100 B in 0:10 (10 B/s); the verdict took 0:04 more\n"},
        {1, -1, 1, 0, ""},  // a second finish adds nothing
    }), "");
}

TEST(ProgressMeter, TerminalLineFollowsTheWidthAndEndsWithTheSummary) {
    EXPECT_EQ(run(true, {
        {0, 0, 4 * MiB, 200,
         "\r[..............................]    0%        0 B of 4.0 MiB         --/s"
         "  avg        --/s  0:00 elapsed  --:-- left\x1b[K"},
        {0.05, 1 * MiB, 4 * MiB, 200, ""},  // too soon to redraw
        {1, 2 * MiB, 4 * MiB, 200,
         "\r[###############...............]   50%    2.0 MiB of 4.0 MiB    1.9 MiB/s"
         "  avg   1.9 MiB/s  0:01 elapsed  0:01 left\x1b[K"},
        {1, 3 * MiB, 4 * MiB, 30, "\r 75%    1.5 MiB/s  0:01 left\x1b[K"},  // the window was narrowed
        // The wait is redrawn on each call, with a turning spinner.
        {1, 4 * MiB, 4 * MiB, 80,
         "\r100%    4.0 MiB of 4.0 MiB  waiting for the service's verdict 0:00 |\x1b[K"},
        {1, 4 * MiB, 4 * MiB, 80,
         "\r100%    4.0 MiB of 4.0 MiB  waiting for the service's verdict 0:01 /\x1b[K"},
        {1, -1, 1, 80, "\rsent 4.0 MiB in 0:03 (1.3 MiB/s); the verdict took 0:02 more\x1b[K\n"},
    }), "");
}

TEST(ProgressMeter, CutOffTransferSaysWhereItStopped) {
    EXPECT_EQ(run(true, {
        // A terminal that does not say its width counts as 80 columns: the bar keeps its room.
        {0, 1024, 4096, 0,
         "\r[###..........]   25%    1.0 KiB of 4.0 KiB         --/s  --:-- left\x1b[K"},
        {3, -1, 0, 0, "\rstopped at 1.0 KiB of 4.0 KiB after 0:03 (341 B/s)\x1b[K\n"},
    }), "");
}

TEST(ProgressMeter, AtEightyColumnsASteadyRateKeepsItsSpeedShown) {
    // --limit-rate 20M: 2.5 MiB every 125 ms (times exact in binary); the file
    // is named, as in a batch.
    std::ostringstream out;
    double now = 100;
    ProgressMeter meter(out, true, [&] { return now; }, [] { return 80; });
    meter.label("2/7 harbour-at-dusk.mp4");
    std::vector<std::string> lines;
    for (int step = 0; step <= 16; ++step, now += 0.125) {
        out.str("");
        meter.update(step * 2.5 * MiB, 100 * MiB);
        lines.push_back(out.str());
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        // Unknown at first, then the rate, in the same columns: once the time
        // left is known the line keeps its length.
        EXPECT_NE(lines[i].find(i < 4 ? "         --/s  " : "   20.0 MiB/s  "), std::string::npos)
            << i << ": " << lines[i];
        if (i > 0) EXPECT_EQ(lines[i].size(), lines[1].size()) << i << ": " << lines[i];
    }
    EXPECT_EQ(lines.back(), "\r[#####........]  2/7 harbour-at-dusk.mp4   40%   20.0 MiB/s  0:03 left\x1b[K");
}

TEST(ProgressLine, FromSixtyColumnsTheBarAndTheFilesPlaceInTheBatchStay) {
    ProgressSnapshot s;
    s.sent = 3 * MiB;
    s.total = 12 * MiB;
    s.elapsed = 3;
    s.speed = MiB;
    s.label = "2/7 harbour.mp4";
    // (width, the line)
    const std::pair<int, std::string> rows[] = {
        {60, "[##........]  2/7 harbour.mp4   25%    1.0 MiB/s  0:09 left"},
        {80, "[###..........]  2/7 harbour.mp4   25%    3.0 MiB    1.0 MiB/s  0:09 left"},
        {59, "2/7 harbour.mp4   25%    3.0 MiB    1.0 MiB/s  0:09 left"},
    };
    for (const auto& [width, line] : rows) EXPECT_EQ(formatProgress(s, width), line) << width;
}

}  // namespace
}  // namespace clipferry::cli
