// The rate ceiling's arithmetic and the stall watch, apart from the clock and
// the sleeping, so both can be tested with made-up times.
#include "progress/pacing.h"

namespace clipferry::cli {

double RateCeiling::delay(double sent, double now) {
    if (rate_ <= 0) return 0;
    // A schedule that lags the clock moves up, keeping only a little credit.
    if (now - (origin_ + sent / rate_) > kCatchUpSeconds) origin_ = now - kCatchUpSeconds - sent / rate_;
    const double due = origin_ + sent / rate_;  // when that many bytes may have gone at the rate
    return due > now ? due - now : 0;
}

double RateCeiling::allowed(double sent, double now) const {
    return rate_ > 0 ? rate_ * (now - origin_) : sent;
}

bool StallWatch::stalled(double moved, double now) {
    if (moved != lastMoved_) {
        lastMoved_ = moved;
        movedAt_ = now;
    }
    stillFor_ = now - movedAt_;
    return timeout_ > 0 && stillFor_ >= timeout_;
}

}  // namespace clipferry::cli
