// The window of progress samples behind the speed and the time left, and
// their words in the dialog's translation context.
#include "transfer_rate.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include "clipferry-qt/PublishDialog.h"

namespace Clipferry::detail {

namespace {
constexpr qint64 kWindowMsecs = 3000;

QString tr(const char* text) { return QCoreApplication::translate("Clipferry::detail", text); }
}  // namespace

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

QString progressText(qint64 sent, qint64 total, const TransferRate& rate) {
    const QLocale locale;
    QStringList parts{tr("%1 of %2").arg(locale.formattedDataSize(sent), locale.formattedDataSize(total))};
    const double speed = rate.bytesPerSecond();
    parts << (speed >= 0 ? tr("%1/s").arg(locale.formattedDataSize(qint64(speed))) : tr("--/s"));
    const qint64 left = rate.secondsLeft(total);
    parts << (speed == 0   ? tr("stalled")
              : left >= 0  ? tr("%1 left").arg(duration(left))
                           : tr("--:-- left"));
    return parts.join(QStringLiteral(" · "));
}

QString waitingText(qint64 seconds) {
    return tr("All sent · waiting for Lumivid's answer (%1)").arg(seconds < 60 ? tr("%1 s").arg(seconds) : duration(seconds));
}

QString duration(qint64 seconds) {
    return seconds >= 3600 ? QStringLiteral("%1:%2:%3")
                                 .arg(seconds / 3600)
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                           : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace Clipferry::detail
