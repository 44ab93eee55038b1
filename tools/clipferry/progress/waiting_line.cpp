// The waiting line's own thread: it sleeps until the call returns or the
// moment passes, then redraws the line once a second.
#include "progress/waiting_line.h"

#include "progress/clock.h"
#include "progress/progress.h"
#include "text/units.h"
#include "text/text.h"

namespace clipferry::cli {

WaitingLine::WaitingLine(std::ostream& out, bool show, std::string what,
                         std::chrono::milliseconds after)
    : out_(out), what_(std::move(what)), after_(after) {
    if (show) thread_ = std::thread([this] { run(); });
}

WaitingLine::~WaitingLine() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (shown_) out_ << "\r\033[K" << std::flush;  // the answer came: the line goes
}

void WaitingLine::run() {
    const double start = steadySeconds();
    std::unique_lock<std::mutex> lock(mutex_);
    double next = std::chrono::duration<double>(after_).count();  // seconds after the start
    const auto untilNext = [&] { return std::chrono::duration<double>(start + next - steadySeconds()); };
    while (!wake_.wait_for(lock, untilNext(), [this] { return done_; })) {
        const double waited = steadySeconds() - start;
        out_ << "\r\033[Kwaiting for " << visible(what_) << " " << formatDuration(waited)
             << std::flush;
        shown_ = true;
        next += 1;
    }
}

}  // namespace clipferry::cli
