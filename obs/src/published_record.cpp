// The record as a small tab-separated file, written with QSaveFile under a
// QLockFile: two OBS processes never lose each other's lines.
#include "published_record.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <utility>

namespace ClipferryObs {

namespace {

constexpr int kLockWaitMs = 5000;

QByteArray stateWord(RecordState state) {
    return state == RecordState::Published ? QByteArrayLiteral("published") : QByteArrayLiteral("may-have-been-received");
}

RecordState parseState(const QByteArray& word) {
    if (word == "published") return RecordState::Published;
    if (word == "may-have-been-received") return RecordState::MayHaveBeenReceived;
    return RecordState::Unknown;
}

QList<QByteArray> readLines(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return {};
    return in.readAll().split('\n');
}

}  // namespace

PublishedRecord::PublishedRecord(QString file) : file_(std::move(file)) {}

RecordState PublishedRecord::find(const QByteArray& sha256) const {
    QLockFile lock(file_ + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) return RecordState::Unknown;
    const QByteArray hex = sha256.toHex();
    for (const QByteArray& line : readLines(file_)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() >= 2 && fields[0] == hex) return parseState(fields[1]);
    }
    return RecordState::Unknown;
}

bool PublishedRecord::note(const QByteArray& sha256, RecordState state, const QString& path, QString* error) {
    QDir().mkpath(QFileInfo(file_).absolutePath());
    QLockFile lock(file_ + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        *error = QStringLiteral("the record is locked by another process");
        return false;
    }
    const QByteArray hex = sha256.toHex();
    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    for (const QByteArray& line : readLines(file_)) {
        if (line.isEmpty() || line.startsWith(hex + '\t')) continue;
        out.write(line + '\n');
    }
    QByteArray safePath = path.toUtf8();
    safePath.replace('\t', ' ').replace('\n', ' ');
    out.write(hex + '\t' + stateWord(state) + '\t' + safePath + '\t' +
              QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n');
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

}  // namespace ClipferryObs
