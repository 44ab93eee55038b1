// The title of an automatically published recording, from the settings'
// pattern: {date}, {time} and {file} stand for the recording's.
#pragma once

#include <QDateTime>
#include <QString>

namespace ClipferryObs {

// {date} yyyy-MM-dd, {time} HH:mm, {file} the file's name without its
// extension; other text, and unknown braces, as written. A pattern that
// comes out blank gives the file's name, so no upload lacks a title.
QString expandTitle(const QString& pattern, const QDateTime& started, const QString& filePath);

// When the recording started: the file's birth time where the file
// system keeps one, else its last change.
QDateTime recordingStart(const QString& filePath);

}  // namespace ClipferryObs
