// The timer's lateness: the time between two ticks beyond its interval.
#include "stall_meter.h"

#include <obs-module.h>

#include <algorithm>

namespace ClipferryObs {

namespace {
constexpr int kIntervalMs = 10;
}

StallMeter::StallMeter(QObject* parent) : QObject(parent) {
    const QByteArray wanted = qgetenv("CLIPFERRY_OBS_STALL_LOG");
    enabled_ = !wanted.isEmpty() && wanted != "0";
    if (!enabled_) return;
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    sinceTick_.start();
    sincePhase_.start();
    timer_.start();
}

StallMeter::~StallMeter() {
    if (!enabled_) return;
    logPhase();
    blog(LOG_INFO, "[clipferry-obs] stall: longest %lld ms overall", static_cast<long long>(longest_));
}

void StallMeter::setPhase(const QString& phase) {
    if (!enabled_ || phase == phase_) return;
    logPhase();
    phase_ = phase;
    phaseLongest_ = 0;
    sincePhase_.restart();
}

void StallMeter::tick() {
    const qint64 late = std::max<qint64>(0, sinceTick_.restart() - kIntervalMs);
    phaseLongest_ = std::max(phaseLongest_, late);
    longest_ = std::max(longest_, late);
}

void StallMeter::logPhase() {
    blog(LOG_INFO, "[clipferry-obs] stall: longest %lld ms during %s (%lld ms)", static_cast<long long>(phaseLongest_),
         phase_.toUtf8().constData(), static_cast<long long>(sincePhase_.elapsed()));
}

}  // namespace ClipferryObs
