// Filling the title pattern.
#include "title_pattern.h"

#include <QFileInfo>

namespace ClipferryObs {

QString expandTitle(const QString& pattern, const QDateTime& started, const QString& filePath) {
    const QString name = QFileInfo(filePath).completeBaseName();
    QString title = pattern;
    title.replace(QLatin1String("{date}"), started.toString(QStringLiteral("yyyy-MM-dd")));
    title.replace(QLatin1String("{time}"), started.toString(QStringLiteral("HH:mm")));
    title.replace(QLatin1String("{file}"), name);
    title = title.simplified();
    return title.isEmpty() ? name : title;
}

QDateTime recordingStart(const QString& filePath) {
    const QFileInfo info(filePath);
    const QDateTime born = info.birthTime();
    return born.isValid() ? born.toLocalTime() : info.lastModified().toLocalTime();
}

}  // namespace ClipferryObs
