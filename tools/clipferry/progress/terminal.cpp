// Terminal width through TIOCGWINSZ, refreshed when SIGWINCH says it changed.
#include "progress/terminal.h"

#include <sys/ioctl.h>

namespace clipferry::cli {

namespace {
volatile std::sig_atomic_t resizedFlag = 0;

extern "C" void onResize(int) { resizedFlag = 1; }
}  // namespace

ResizeGuard::ResizeGuard() {
    struct sigaction action {};
    action.sa_handler = onResize;
    sigemptyset(&action.sa_mask);
    // A resize must not break a blocked read or wait in the transfer.
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, &previous_);
}

ResizeGuard::~ResizeGuard() { sigaction(SIGWINCH, &previous_, nullptr); }

int TerminalWidth::columns() {
    if (!known_ || resizedFlag != 0) {
        resizedFlag = 0;  // cleared before asking, so a resize during the ioctl is not lost
        struct winsize size {};
        columns_ = ioctl(fd_, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
        known_ = true;
    }
    return columns_;
}

}  // namespace clipferry::cli
