#include "interrupt.h"

namespace clipferry::cli {

namespace {
volatile std::sig_atomic_t interruptFlag = 0;

extern "C" void onInterrupt(int) { interruptFlag = 1; }
}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocked read (the password prompt) returns with EINTR.
    // SA_RESETHAND: the second Ctrl-C gets the default action.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

bool interrupted() { return interruptFlag != 0; }

void clearInterrupted() { interruptFlag = 0; }

}  // namespace clipferry::cli
