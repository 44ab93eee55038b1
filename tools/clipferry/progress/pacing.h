// Limits the command adds to an upload from its progress callback, since the
// library has no option for them: a ceiling on the average rate, and giving
// up when nothing has moved for a while.
#pragma once

namespace clipferry::cli {

// How long to hold the transfer so that `sent` bytes after `elapsed` seconds
// keep the average at or under `rate` bytes per second; 0 when no wait is
// needed or there is no limit (rate 0).
double pacingDelay(double sent, double elapsed, double rate);

// Watches the bytes moved (sent and received) for a stall: no change for
// `timeout` seconds (0: never), whether the last byte went out or not.
class StallWatch {
public:
    explicit StallWatch(double timeout) : timeout_(timeout) {}

    // True once nothing moved for the timeout; `now` in seconds from any fixed point.
    bool stalled(double moved, double now);
    double stillFor() const { return stillFor_; }  // seconds since the last byte moved
    // The command itself held the transfer (--limit-rate) until `now`: that is no stall.
    void heldUntil(double now) { movedAt_ = now; }

private:
    double timeout_;
    double lastMoved_ = -1;
    double movedAt_ = 0;
    double stillFor_ = 0;
};

}  // namespace clipferry::cli
