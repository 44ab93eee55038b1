// How wide the terminal behind an output is, read again after the window
// changes size, so a redrawn line never wraps.
#pragma once

#include <csignal>

namespace clipferry::cli {

// While alive, SIGWINCH only raises a flag that TerminalWidth looks at.
class ResizeGuard {
public:
    ResizeGuard();
    ~ResizeGuard();
    ResizeGuard(const ResizeGuard&) = delete;
    ResizeGuard& operator=(const ResizeGuard&) = delete;

private:
    struct sigaction previous_ {};
};

// The columns of the terminal on `fd`; 0 when it is not a terminal. The size
// is asked once, and again only after the window was resized.
class TerminalWidth {
public:
    explicit TerminalWidth(int fd) : fd_(fd) {}

    int columns();

private:
    int fd_;
    int columns_ = 0;
    bool known_ = false;
    ResizeGuard guard_;
};

}  // namespace clipferry::cli
