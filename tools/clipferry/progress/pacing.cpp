// The rate ceiling's arithmetic and the stall watch, apart from the clock and
// the sleeping, so both can be tested with made-up times.
#include "progress/pacing.h"

namespace clipferry::cli {

double pacingDelay(double sent, double elapsed, double rate) {
    if (rate <= 0) return 0;
    const double due = sent / rate;  // when that many bytes may have gone at the rate
    return due > elapsed ? due - elapsed : 0;
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
