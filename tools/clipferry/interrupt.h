// Ctrl-C as a request: while a guard is alive SIGINT only raises a flag that
// the upload's progress callback and the retry waits look at. A second
// Ctrl-C ends the process the usual way.
#pragma once

#include <csignal>

namespace clipferry::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction previous_ {};
};

bool interrupted();
void clearInterrupted();

}  // namespace clipferry::cli
