// Upload progress on standard error: a redrawn bar on a terminal, plain
// periodic lines when the output goes to a file or a pipe.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace clipferry::cli {

std::string formatBytes(double bytes);        // "512 B", "1.5 KiB", "3.0 MiB"
std::string formatDuration(double seconds);   // "0:05", "12:34", "1:02:03"; "--:--" if unknown
// One status line; barWidth 0 leaves the bar out. A total of 0 means not known yet.
std::string formatProgress(double sent, double total, double elapsedSeconds, int barWidth);

class ProgressMeter {
public:
    using Clock = std::function<double()>;  // seconds from any fixed point

    ProgressMeter(std::ostream& out, bool terminal, Clock clock, double plainInterval = 2.0);
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    void update(double sent, double total);
    // Ends the bar's line, so whatever follows starts on a line of its own.
    void finish();

    static Clock steadyClock();

private:
    void draw(double sent, double total, double now);

    std::ostream& out_;
    bool terminal_;
    Clock clock_;
    double plainInterval_;
    double start_ = -1;
    double lastDrawn_ = -1;
    bool drewFinal_ = false;
    bool lineOpen_ = false;
};

}  // namespace clipferry::cli
