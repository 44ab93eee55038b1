// How much a connection may keep queued in the system but not yet sent. What
// the system has accepted goes out even after the transfer is abandoned, and
// a sender only hears of progress as the queue drains; on a slow link an
// unbounded queue (several MiB) would make both coarse.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clipferry::platform {

// Asks the system to take no more unsent bytes for a TCP socket than about
// `bytes` (it may overshoot by one segment); changeable at any time. Where
// the system has no such setting it keeps its own sizing, which on Windows
// follows the connection's measured pace.
void LimitUnsentBytes(std::intptr_t socket, size_t bytes);

}  // namespace clipferry::platform
