// Limits the command adds to an upload from its progress callback, since the
// library has no option for them: a ceiling on the average rate, and giving
// up when nothing has moved for a while.
#pragma once

namespace clipferry::cli {

// A ceiling of `rate` bytes per second (0: none) over any stretch of the
// transfer, not only on average: a link that fell behind the rate earns at
// most a fiftieth of a second of credit, so the burst that would catch up
// after a slow spell is held to the rate as well. Times are in seconds from
// any fixed point.
class RateCeiling {
public:
    explicit RateCeiling(double rate) : rate_(rate) {}

    // The schedule begins at `now`, with nothing sent.
    void start(double now) { origin_ = now; }
    // How long to hold the transfer once `sent` bytes have gone by `now`; 0
    // when no wait is needed or there is no limit.
    double delay(double sent, double now);
    // What the rate has let out by `now`: all of `sent` when there is no limit.
    double allowed(double sent, double now) const;

private:
    static constexpr double kCatchUpSeconds = 0.02;
    double rate_;
    double origin_ = 0;  // when the schedule of the bytes sent so far began
};

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
