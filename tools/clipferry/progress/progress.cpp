// Upload progress: the pure formatting of one status line, and the meter that
// samples the transfer, tells moving from stalled from waiting, and draws.
#include "progress/progress.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

#include "text/units.h"

namespace clipferry::cli {

namespace {
constexpr double kRedrawInterval = 0.1;   // a terminal line need not move faster than this
constexpr double kSpeedWindow = 5.0;      // seconds of samples behind the current speed
constexpr double kShortestWindow = 0.5;   // less than this says nothing about the speed
constexpr double kSampleSpacing = 0.1;    // keeps the window small however often it is fed
constexpr double kStallAfter = 5.0;       // the same span: a window without movement is a stall
// Below the callback's pace when nothing moves (about once a second), so the
// first report without movement already reads as unknown, never as the old speed.
constexpr double kStillAfter = 0.5;
constexpr int kBarFromWidth = 60;         // from here up the bar always has room
constexpr int kNarrowestBar = 10;
constexpr int kWidestBar = 30;
constexpr int kFallbackWidth = 80;        // a terminal that does not say how wide it is
// The widths numbers are padded to on a terminal: "999.9 MiB", "999.9 MiB/s", "9:59".
constexpr size_t kBytesColumns = 9;
constexpr size_t kSpeedColumns = 11;
constexpr size_t kDurationColumns = 4;
constexpr const char kSpinner[] = "|/-\\";

std::string speedText(double bytesPerSecond) {
    return bytesPerSecond > 0 ? formatBytes(bytesPerSecond) + "/s" : "--/s";
}

// A piece of the line. Lower rank matters more. A field with a short form
// shows it from `rank` on, and its full text only from `fullRank` on.
struct Field {
    int rank;
    std::string full;
    std::string shortText = {};
    int fullRank = 0;
    const char* before = "  ";  // the separator from the field on its left
    std::string shown = {};
};

std::string join(const std::vector<Field>& fields) {
    std::string line;
    for (const Field& field : fields) {
        if (!field.shown.empty()) {
            line += (line.empty() ? "" : field.before) + field.shown;
        }
    }
    return line;
}

// Fills the line in order of importance: each field (or the full form of a
// shortened one) goes in if the line still has at most `limit` characters,
// so what is left out is what matters least, and no field is cut. Only the
// most important field is cut, on a terminal too narrow for it alone.
std::string fit(std::vector<Field> fields, size_t limit) {
    struct Step {
        int rank;
        Field* field;
        const std::string* text;
    };
    std::vector<Step> steps;
    for (Field& field : fields) {
        if (field.shortText.empty()) {
            steps.push_back({field.rank, &field, &field.full});
        } else {
            steps.push_back({field.rank, &field, &field.shortText});
            steps.push_back({field.fullRank, &field, &field.full});
        }
    }
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& a, const Step& b) { return a.rank < b.rank; });
    std::string line;
    for (const Step& step : steps) {
        std::string was = step.field->shown;
        step.field->shown = *step.text;
        std::string longer = join(fields);
        if (longer.size() <= limit || line.empty()) {
            line = longer;
        } else {
            step.field->shown = was;
        }
    }
    if (line.size() > limit) {
        line.resize(limit);
    }
    return line;
}

// Width 0: every field, no limit. Otherwise one column is kept free, so the
// cursor never lands past the edge and the terminal never wraps.
size_t limitFor(int width) { return width > 0 ? static_cast<size_t>(width - 1) : std::string::npos; }

std::string bar(double fraction, int inner) {
    int filled = static_cast<int>(fraction * inner);
    return "[" + std::string(filled, '#') + std::string(inner - filled, '.') + "]";
}
}  // namespace

std::string formatProgress(const ProgressSnapshot& s, int width) {
    bool known = s.total > 0;
    bool waiting = known && s.sent >= s.total;
    bool stalled = !waiting && s.stalledFor > 0;
    double fraction = known ? std::min(std::max(s.sent / s.total, 0.0), 1.0) : 0;
    double average = s.elapsed > 0 ? s.sent / s.elapsed : 0;

    // On a terminal each number keeps a steady width, so that from one redraw
    // to the next the line neither jitters nor gains and loses fields.
    auto steady = [width](std::string text, size_t columns) {
        if (width > 0 && text.size() < columns) {
            text.insert(0, columns - text.size(), ' ');
        }
        return text;
    };
    auto bytes = [&](double value) { return steady(formatBytes(value), kBytesColumns); };
    // "--/s" keeps the width of a speed too, so the speed that follows it still fits.
    auto speed = [&](double value) { return steady(speedText(value), kSpeedColumns); };
    auto duration = [&](double value) { return steady(formatDuration(value), kDurationColumns); };

    std::vector<Field> fields;
    if (!s.label.empty()) {
        fields.push_back({1, s.label});
    }
    if (known) {
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
        fields.push_back({waiting ? 1 : 0, percent});
    }
    if (!known) {
        fields.push_back({waiting || stalled ? 2 : 1, bytes(s.sent) + " sent"});
    } else if (waiting || stalled) {
        fields.push_back({waiting ? 1 : 2, bytes(s.sent) + " of " + formatBytes(s.total)});
    } else {
        // While bytes move, the time left and the speed matter more than the
        // bytes, which the percentage and the bar already tell: "of 12.0 MiB"
        // goes first, then the bytes sent.
        fields.push_back({4, bytes(s.sent) + " of " + formatBytes(s.total), bytes(s.sent), 4});
    }
    if (waiting) {
        std::string clock;
        if (s.spinner >= 0) {
            clock = " " + formatDuration(s.waitingFor) + " " + kSpinner[s.spinner % 4];
        }
        fields.push_back({0, "waiting for the service's verdict" + clock, "waiting" + clock, 3});
    } else if (stalled) {
        fields.push_back({1, "stalled " + duration(s.stalledFor)});
    } else {
        fields.push_back({3, speed(s.speed)});
    }
    fields.push_back({5, "avg " + speed(average)});
    fields.push_back({4, duration(s.elapsed) + " elapsed"});
    if (known && !waiting && !stalled) {
        // The current speed when there is one, else the average.
        double rate = s.speed >= 0 ? s.speed : average;
        double left = rate > 0 ? (s.total - s.sent) / rate : NAN;
        fields.push_back({2, duration(left) + " left"});
    }

    size_t limit = limitFor(width);
    if (width >= kBarFromWidth && known && !waiting) {
        // A wide terminal keeps a bar of a width set by the terminal alone, so
        // that it does not jump as fields come and go, and fits the fields beside it.
        const int inner = std::min(kWidestBar, std::max(kNarrowestBar, width / 6));
        return bar(fraction, inner) + "  " + fit(std::move(fields), limit - (inner + 4));
    }
    size_t whole = fit(fields, std::string::npos).size();
    std::string line = fit(std::move(fields), limit);
    // The bar matters least: it takes only the room every other field leaves.
    if (width > 0 && known && line.size() == whole) {
        size_t room = limit - line.size();
        if (room >= kNarrowestBar + 4) {
            int inner = static_cast<int>(std::min<size_t>(room - 4, kWidestBar));
            line = bar(fraction, inner) + "  " + line;
        }
    }
    return line;
}

std::string formatSummary(const TransferSummary& s, int width) {
    double average = s.sending > 0 ? s.sent / s.sending : 0;
    std::vector<Field> fields;
    // Every byte out but no verdict: the service may have the file, so say it was sent.
    bool allSent = s.total > 0 && s.sent >= s.total;
    if (s.completed || allSent) {
        fields.push_back({0, "sent " + formatBytes(s.sent)});
        fields.push_back({1, "in " + formatDuration(s.sending), {}, 0, " "});
    } else {
        std::string stopped = "stopped at " + formatBytes(s.sent);
        fields.push_back(
            {0, s.total > 0 ? stopped + " of " + formatBytes(s.total) : stopped, stopped, 0});
        fields.push_back({1, "after " + formatDuration(s.sending), {}, 0, " "});
    }
    fields.push_back({2, "(" + speedText(average) + ")", {}, 0, " "});
    if (s.completed && std::lround(s.waiting) >= 1) {
        fields.push_back({3, "the verdict took " + formatDuration(s.waiting) + " more", {}, 0, "; "});
    } else if (!s.completed && allSent) {
        fields.push_back({3, "no verdict after " + formatDuration(s.waiting), {}, 0, "; "});
    }
    return fit(std::move(fields), limitFor(width));
}

ProgressMeter::ProgressMeter(std::ostream& out, bool terminal, Clock clock, Width width,
                             double plainInterval)
    : out_(out),
      terminal_(terminal),
      clock_(std::move(clock)),
      width_(std::move(width)),
      plainInterval_(plainInterval) {}

ProgressMeter::Clock ProgressMeter::steadyClock() { return steadySeconds; }

int ProgressMeter::lineWidth() const {
    if (!terminal_) {
        return 0;
    }
    int columns = width_ ? width_() : 0;
    return columns > 0 ? columns : kFallbackWidth;
}

void ProgressMeter::update(double sent, double total) {
    if (finished_) {
        return;
    }
    double now = clock_();
    if (start_ < 0) {
        start_ = movedAt_ = now;
    }
    if (sent != sent_) {
        movedAt_ = now;
    }
    sent_ = sent;
    total_ = total;
    bool complete = total > 0 && sent >= total;
    if (complete && allSentAt_ < 0) {
        allSentAt_ = now;
    }
    if (window_.empty() || now - window_.back().first >= kSampleSpacing) {
        window_.emplace_back(now, sent);
    }
    while (window_.front().first < now - kSpeedWindow) {
        window_.pop_front();  // never empties: the newest sample is at most kSampleSpacing old
    }

    ProgressSnapshot state = snapshot(now);
    Phase phase = complete                ? Phase::Waiting
                  : state.stalledFor > 0  ? Phase::Stalled
                  : state.speed == 0      ? Phase::Still
                                          : Phase::Moving;
    // Nothing to show before the first byte, unless a bar can show what lies
    // ahead; a stall is always worth saying.
    if (phase == Phase::Moving && sent <= 0 && (!terminal_ || total <= 0)) {
        return;
    }
    bool changed = lastDrawn_ < 0 || phase != drawnPhase_;
    if (!terminal_ && phase == Phase::Waiting && !changed) {
        return;  // a log gets one line for the wait
    }
    if (!changed && now - lastDrawn_ < (terminal_ ? kRedrawInterval : plainInterval_)) {
        return;
    }
    lastDrawn_ = now;
    drawnPhase_ = phase;
    if (terminal_ && phase == Phase::Waiting) {
        state.spinner = spinner_++;
    }
    show(formatProgress(state, lineWidth()));
}

ProgressSnapshot ProgressMeter::snapshot(double now) {
    ProgressSnapshot state;
    state.sent = sent_;
    state.total = total_;
    state.elapsed = now - start_;
    const auto& [oldestTime, oldestSent] = window_.front();
    if (now - oldestTime >= kShortestWindow) {
        state.speed = (sent_ - oldestSent) / (now - oldestTime);
    }
    if (sent_ > 0 && now - movedAt_ >= kStillAfter) {
        state.speed = 0;  // what moved a few seconds ago says nothing about now
    }
    state.label = label_;
    if (allSentAt_ >= 0) {
        state.waitingFor = now - allSentAt_;
    } else if (now - movedAt_ >= kStallAfter) {
        state.stalledFor = now - movedAt_;
    }
    return state;
}

void ProgressMeter::show(const std::string& line) {
    if (terminal_) {
        out_ << "\r" << line << "\x1b[K" << std::flush;  // clear what a longer line left behind
    } else {
        out_ << "upload: " << line << "\n" << std::flush;
    }
}

void ProgressMeter::finish(bool completed) {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (start_ < 0) {
        return;  // never started: nothing to sum up
    }
    double now = clock_();
    TransferSummary summary;
    summary.completed = completed;
    // The service answered, so it had every byte, even if the last report came before.
    summary.sent = completed ? std::max(sent_, total_) : sent_;
    summary.total = total_;
    double lastByte = allSentAt_ >= 0 ? allSentAt_ : now;
    summary.sending = lastByte - start_;
    summary.waiting = now - lastByte;
    // The closing line names the file too, so a batch's lines each say which file they sum up.
    const std::string head = label_.empty() ? "" : label_ + ": ";
    const int width = lineWidth();
    std::string line = head + formatSummary(summary, width > 0 ? std::max(1, width - static_cast<int>(head.size())) : 0);
    if (terminal_) {
        out_ << "\r" << line << "\x1b[K\n" << std::flush;
    } else {
        out_ << line << "\n" << std::flush;
    }
}

}  // namespace clipferry::cli
