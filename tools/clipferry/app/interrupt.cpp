// The handler of the signals that ask the command to stop.
#include "app/interrupt.h"

#include <algorithm>
#include <thread>

namespace clipferry::cli {

namespace {
volatile std::sig_atomic_t interruptFlag = 0;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onInterrupt(int signal) {
    if (interruptFlag == 0) interruptFlag = signal;
}
}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocked read (the password prompt) returns with EINTR.
    // SA_RESETHAND: the second signal gets the default action.
    action.sa_flags = SA_RESETHAND;
    for (int i = 0; i < 3; ++i) {
        sigaction(kSignals[i], nullptr, &previous_[i]);
        // A hang-up ignored when the command started (nohup) stays ignored: the
        // upload is meant to outlive the terminal.
        if (kSignals[i] != SIGHUP || previous_[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

bool interrupted() { return interruptFlag != 0; }

int interruptSignal() { return interruptFlag; }

bool waitUnlessInterrupted(std::chrono::milliseconds delay) {
    const auto step = std::chrono::milliseconds(50);
    for (auto waited = std::chrono::milliseconds(0); waited < delay; waited += step) {
        if (interrupted()) {
            return false;
        }
        std::this_thread::sleep_for(std::min(step, delay - waited));
    }
    return !interrupted();
}

}  // namespace clipferry::cli
