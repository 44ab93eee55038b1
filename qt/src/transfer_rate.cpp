// The window of progress samples behind the speed and the time left.
#include "transfer_rate.h"

namespace Clipferry::detail {

namespace {
constexpr qint64 kWindowMsecs = 3000;
}

void TransferRate::add(qint64 msecs, qint64 sent) {
    samples_.emplace_back(msecs, sent);
    while (samples_.size() > 2 && samples_.back().first - samples_[1].first >= kWindowMsecs) samples_.pop_front();
}

double TransferRate::bytesPerSecond() const {
    if (samples_.size() < 2) return -1;
    const qint64 span = samples_.back().first - samples_.front().first;
    if (span < 200) return -1;
    return double(samples_.back().second - samples_.front().second) * 1000.0 / double(span);
}

qint64 TransferRate::secondsLeft(qint64 total) const {
    const double speed = bytesPerSecond();
    if (speed <= 0 || samples_.empty() || total <= 0) return -1;
    return qint64(double(total - samples_.back().second) / speed + 0.5);
}

}  // namespace Clipferry::detail
