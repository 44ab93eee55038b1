// Ctrl-C, SIGTERM and SIGHUP as a request: while a guard is alive they only
// raise a flag that the upload's progress callback and the retry waits look
// at, so the command says what was sent, notes it, and then ends by the same
// signal. A second one ends the process the usual way.
#pragma once

#include <chrono>
#include <csignal>

namespace clipferry::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction previous_[3] {};
};

bool interrupted();
// The signal that asked: SIGINT, SIGTERM or SIGHUP; 0 when none did.
int interruptSignal();

// Sleeps in small steps so that Ctrl-C during a retry wait is noticed; false when it was.
bool waitUnlessInterrupted(std::chrono::milliseconds delay);

}  // namespace clipferry::cli
