// Upload progress on standard error: one redrawn line fitted to the terminal,
// or plain periodic lines when the output goes to a file or a pipe. It says
// when the transfer stalls and when it waits for the service's verdict.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "progress/clock.h"  // steadySeconds, the meter's clock

namespace clipferry::cli {

// What the meter knows at one moment. Every byte sent (sent >= total > 0)
// means the verdict is awaited; otherwise stalledFor > 0 means nothing moved.
struct ProgressSnapshot {
    double sent = 0;
    double total = 0;        // 0: not known yet
    double elapsed = 0;      // seconds since the transfer began
    double speed = -1;       // over the last few seconds; < 0 when there is no such window
    double stalledFor = 0;
    double waitingFor = 0;   // since the last byte went
    int spinner = -1;        // the spinner's step while waiting; < 0 shows neither it nor the wait
    std::string label;       // what is sent: "2/7 harbour.mp4"; may be empty
};

// One status line of at most width - 1 columns: the least important fields
// are dropped whole until it fits. From 60 columns up a bar always has room;
// below, only what the fields leave. Width 0: no limit, no bar. Speed and
// time left read as unknown ("--/s", "--:--") once nothing moves (speed 0).
std::string formatProgress(const ProgressSnapshot& snapshot, int width);

struct TransferSummary {
    double sent = 0;
    double total = 0;
    double sending = 0;      // seconds until the last byte went, or until it stopped
    double waiting = 0;      // seconds then spent on the verdict
    bool completed = false;  // the service answered; otherwise the transfer was cut off
};

// The closing line, e.g. "sent 12.0 MiB in 0:04 (3.0 MiB/s)"; width as above.
std::string formatSummary(const TransferSummary& summary, int width);

class ProgressMeter {
public:
    using Clock = std::function<double()>;  // seconds from any fixed point
    using Width = std::function<int()>;     // the terminal's columns; 0 if not known

    ProgressMeter(std::ostream& out, bool terminal, Clock clock, Width width = {},
                  double plainInterval = 2.0);
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Called often while bytes move, and still about once a second when none do.
    void update(double sent, double total);
    // Names what is sent at the head of every line: "2/7 harbour.mp4".
    void label(std::string text) { label_ = std::move(text); }
    // Replaces the status with the closing line; later calls add nothing.
    // `completed`: the service answered (whatever it said).
    void finish(bool completed);

    static Clock steadyClock();

private:
    enum class Phase { Moving, Still, Stalled, Waiting };

    ProgressSnapshot snapshot(double now);
    void show(const std::string& line);
    int lineWidth() const;

    std::ostream& out_;
    bool terminal_;
    Clock clock_;
    Width width_;
    double plainInterval_;
    double start_ = -1;
    double sent_ = 0;
    double total_ = 0;
    double movedAt_ = -1;    // when `sent` last changed
    double allSentAt_ = -1;  // when the last byte went
    std::deque<std::pair<double, double>> window_;  // (time, sent), the last few seconds
    double lastDrawn_ = -1;
    Phase drawnPhase_ = Phase::Moving;
    int spinner_ = 0;
    bool finished_ = false;
    std::string label_;
};

}  // namespace clipferry::cli
