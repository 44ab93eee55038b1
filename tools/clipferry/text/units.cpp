// Sizes, durations and times in the words and digits the command shows them in.
#include "text/units.h"

#include <cmath>
#include <cstdio>
#include <iterator>

namespace clipferry::cli {

namespace {
std::string printf1(const char* format, double value, const char* unit) {
    char text[64];
    std::snprintf(text, sizeof text, format, value, unit);
    return text;
}
}  // namespace

std::string formatBytes(double bytes) {
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (!(bytes > 0)) {  // also NaN
        return "0 B";
    }
    if (bytes < 1024) {
        return printf1("%.0f %s", bytes, "B");
    }
    double value = bytes / 1024;
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    return printf1("%.1f %s", value, units[unit]);
}

std::string formatSeconds(double seconds) {
    const long whole = std::lround(seconds);
    if (whole < 60) return std::to_string(whole) + " s";
    return std::to_string(whole / 60) + " min" + (whole % 60 ? " " + std::to_string(whole % 60) + " s" : "");
}

std::string localTime(std::time_t when) {
    char text[32];
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string formatDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 360000) {
        return "--:--";
    }
    long total = std::lround(seconds);
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

}  // namespace clipferry::cli
