// The speed and time left of a transfer from its progress, averaged over the
// last few seconds so that one burst or pause does not swing the figures, and
// the words the dialog shows for them.
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

// "1.5 MB of 32 MB · 2.1 MB/s · 0:12 left", in the user's locale: "--/s" and
// "--:-- left" while the speed is not known yet, "stalled" while nothing moves.
QString progressText(qint64 sent, qint64 total, const TransferRate& rate);
// "All sent · waiting for Lumivid's answer (12 s)", in m:ss from a minute on.
QString waitingText(qint64 seconds);
// m:ss, or h:mm:ss from an hour on.
QString duration(qint64 seconds);

}  // namespace Clipferry::detail
