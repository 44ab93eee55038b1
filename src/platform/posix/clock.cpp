// POSIX: CLOCK_MONOTONIC.
#include "platform/clock.h"

#include <time.h>

namespace clipferry::platform {

double MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

}  // namespace clipferry::platform
