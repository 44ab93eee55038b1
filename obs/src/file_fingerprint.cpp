// Reading the file in blocks, so that a stop is heeded within one block.
#include "file_fingerprint.h"

#include <QCryptographicHash>
#include <QFile>

namespace ClipferryObs {

Fingerprint fingerprintFile(const QString& path, const std::atomic<bool>& stop) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {{}, file.errorString()};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (stop.load()) return {};
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0) return {{}, file.errorString()};
        if (got == 0) break;
        hash.addData(block.constData(), static_cast<int>(got));
    }
    return {hash.result(), {}};
}

}  // namespace ClipferryObs
