// The speed and time left of a transfer from its progress, averaged over the
// last few seconds so that one burst or pause does not swing the figures.
#pragma once

#include <QString>
#include <QtGlobal>

#include <deque>
#include <utility>

namespace Clipferry::detail {

class TransferRate {
public:
    // `msecs`: from any fixed start; `sent` and `total` in bytes.
    void add(qint64 msecs, qint64 sent);
    // Bytes per second; negative until two samples a moment apart are known.
    double bytesPerSecond() const;
    // Seconds left for `total`; negative while unknown or stalled.
    qint64 secondsLeft(qint64 total) const;

private:
    std::deque<std::pair<qint64, qint64>> samples_;  // (msecs, sent)
};

}  // namespace Clipferry::detail
