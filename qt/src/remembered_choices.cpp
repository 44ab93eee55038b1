// The choices as strings in QSettings: a category as "12/31" (its way down).
#include "remembered_choices.h"

#include <QSettings>
#include <QStringList>

namespace Clipferry::detail {

namespace {
const QString kGroup = QStringLiteral("ClipferryPublishDialog");
}  // namespace

Choices loadChoices() {
    QSettings settings;
    settings.beginGroup(kGroup);
    Choices choices;
    for (const QString& way : settings.value(QStringLiteral("categories")).toStringList()) {
        QList<int> chain;
        for (const QString& step : way.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int id = step.toInt(&ok);
            if (!ok || id <= 0) {
                chain.clear();  // not ours, or damaged: left out
                break;
            }
            chain << id;
        }
        if (!chain.isEmpty()) choices.categories << chain;
    }
    choices.moderator = settings.value(QStringLiteral("moderator"), 0).toInt();
    choices.tags = settings.value(QStringLiteral("tags")).toString();
    return choices;
}

void saveChoices(const Choices& choices) {
    QSettings settings;
    settings.beginGroup(kGroup);
    QStringList ways;
    for (const QList<int>& chain : choices.categories) {
        QStringList steps;
        for (int id : chain) steps << QString::number(id);
        ways << steps.join(QLatin1Char('/'));
    }
    settings.setValue(QStringLiteral("categories"), ways);
    settings.setValue(QStringLiteral("moderator"), choices.moderator);
    settings.setValue(QStringLiteral("tags"), choices.tags);
}

}  // namespace Clipferry::detail
