// Windows: the performance counter, which every supported Windows has.
#include "platform/clock.h"

#include <windows.h>

namespace clipferry::platform {

double MonotonicSeconds() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

}  // namespace clipferry::platform
