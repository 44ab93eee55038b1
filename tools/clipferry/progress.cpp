#include "progress.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace clipferry::cli {

namespace {
constexpr int kTerminalBarWidth = 30;
constexpr double kRedrawInterval = 0.1;  // a terminal bar need not move faster than this

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

std::string formatProgress(double sent, double total, double elapsedSeconds, int barWidth) {
    double rate = elapsedSeconds > 0 ? sent / elapsedSeconds : 0;
    std::string rateText = rate > 0 ? formatBytes(rate) + "/s" : "--/s";
    if (total <= 0) {
        return formatBytes(sent) + " sent  " + rateText;
    }
    double fraction = std::min(std::max(sent / total, 0.0), 1.0);
    std::string line;
    if (barWidth > 0) {
        int filled = static_cast<int>(fraction * barWidth);
        line += "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] ";
    }
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
    double left = rate > 0 ? std::max(total - sent, 0.0) / rate : NAN;
    line += std::string(percent) + "  " + formatBytes(sent) + " of " + formatBytes(total) + "  " +
            rateText + "  " + formatDuration(left) + " left";
    return line;
}

ProgressMeter::ProgressMeter(std::ostream& out, bool terminal, Clock clock, double plainInterval)
    : out_(out), terminal_(terminal), clock_(std::move(clock)), plainInterval_(plainInterval) {}

ProgressMeter::Clock ProgressMeter::steadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

void ProgressMeter::update(double sent, double total) {
    double now = clock_();
    if (start_ < 0) {
        start_ = now;
    }
    bool complete = total > 0 && sent >= total;
    // Nothing to show before the first byte, unless a bar can show what lies ahead.
    if (drewFinal_ || (sent <= 0 && (!terminal_ || total <= 0))) {
        return;
    }
    double interval = terminal_ ? kRedrawInterval : plainInterval_;
    if (complete || lastDrawn_ < 0 || now - lastDrawn_ >= interval) {
        draw(sent, total, now);
        drewFinal_ = complete;
    }
}

void ProgressMeter::draw(double sent, double total, double now) {
    lastDrawn_ = now;
    std::string line = formatProgress(sent, total, now - start_, terminal_ ? kTerminalBarWidth : 0);
    if (terminal_) {
        out_ << "\r" << line << "\x1b[K" << std::flush;  // clear what a longer line left behind
        lineOpen_ = true;
    } else {
        out_ << "upload: " << line << "\n" << std::flush;
    }
}

void ProgressMeter::finish() {
    if (lineOpen_) {
        out_ << "\n" << std::flush;
        lineOpen_ = false;
    }
}

}  // namespace clipferry::cli
