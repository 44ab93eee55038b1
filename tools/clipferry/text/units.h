// Sizes, durations and times as the command shows them: on the progress
// line, in its messages and in the history.
#pragma once

#include <ctime>
#include <string>

namespace clipferry::cli {

std::string formatBytes(double bytes);        // "512 B", "1.5 KiB", "3.0 MiB"
std::string formatDuration(double seconds);   // "0:05", "12:34", "1:02:03"; "--:--" if unknown
std::string formatSeconds(double seconds);    // "30 s", "2 min 5 s": a limit as --stall-timeout takes it
// "2026-05-01 14:03:07": the local time, for the user to match against the service's records
std::string localTime(std::time_t when);

}  // namespace clipferry::cli
