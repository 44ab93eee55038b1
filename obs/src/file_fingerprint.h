// The SHA-256 of a recording's content, computed on a pool thread (a
// recording may be gigabytes) and given up as soon as `stop` is set.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

namespace ClipferryObs {

struct Fingerprint {
    QByteArray sha256;  // empty when it could not be computed
    QString error;      // why, in the system's words; empty when stopped
};

Fingerprint fingerprintFile(const QString& path, const std::atomic<bool>& stop);

}  // namespace ClipferryObs
