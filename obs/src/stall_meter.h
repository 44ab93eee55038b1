// How late OBS's event loop runs a 10 ms timer: the longest stall of each
// phase of the plugin's work goes to OBS's log when the phase ends, so that
// a test can read what the user would have felt.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace ClipferryObs {

class StallMeter : public QObject {
    Q_OBJECT
public:
    // Measures only when CLIPFERRY_OBS_STALL_LOG is set and not "0".
    explicit StallMeter(QObject* parent = nullptr);
    ~StallMeter() override;

    // Logs the phase that ends (when it saw any tick) and starts the next.
    void setPhase(const QString& phase);

private:
    void tick();
    void logPhase();

    QTimer timer_;
    QElapsedTimer sinceTick_;
    QElapsedTimer sincePhase_;
    QString phase_ = QStringLiteral("idle");
    qint64 phaseLongest_ = 0;
    qint64 longest_ = 0;
    bool enabled_ = false;
};

}  // namespace ClipferryObs
