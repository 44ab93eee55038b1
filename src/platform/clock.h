// A clock that never goes back, for measuring how fast a transfer moves.
#pragma once

namespace clipferry::platform {

// Seconds from an arbitrary fixed point, unaffected by changes to the time of day.
double MonotonicSeconds();

}  // namespace clipferry::platform
