// The plugin's own record of the recordings it published, by the SHA-256 of
// their content, so that none is sent twice, across OBS runs and between two
// OBS processes. (The command keeps a ledger of its own; hosts never share
// each other's files, so the plugin keeps this one.)
#pragma once

#include <QByteArray>
#include <QString>

namespace ClipferryObs {

// What the record says of a recording.
enum class RecordState { Unknown, Published, MayHaveBeenReceived };

class PublishedRecord {
public:
    // `file` is the record (one line per recording: hex SHA-256, state, path,
    // time, separated by tabs); `file`.lock guards every read and write.
    explicit PublishedRecord(QString file);

    // Unknown when the record is missing, unreadable or locked too long;
    // a line that does not parse is skipped.
    RecordState find(const QByteArray& sha256) const;
    // Adds or replaces the recording's line; the file is replaced whole, so a
    // crash leaves the old record or the new one. False, with `error`, when
    // it could not be written.
    bool note(const QByteArray& sha256, RecordState state, const QString& path, QString* error);

private:
    QString file_;
};

}  // namespace ClipferryObs
