// The command's one steady clock, in seconds from a fixed point: rates,
// stalls, waits and deadlines are all measured on it.
#pragma once

#include <chrono>

namespace clipferry::cli {

inline double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace clipferry::cli
