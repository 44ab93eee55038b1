// Reading and writing the [Clipferry] section of OBS's global configuration.
#include "plugin_settings.h"

#include <QStringList>

#include <util/config-file.h>

namespace ClipferryObs {

namespace {
constexpr const char* kAfterRecording = "AfterRecording";
constexpr const char* kTitlePattern = "TitlePattern";
constexpr const char* kDescription = "Description";
constexpr const char* kTags = "Tags";
constexpr const char* kCategories = "Categories";
constexpr const char* kModerator = "Moderator";
constexpr const char* kUser = "User";

QString read(config_t* config, const char* key) {
    const char* value = config_get_string(config, kSection, key);
    return value ? QString::fromUtf8(value) : QString();
}

void write(config_t* config, const char* key, const QString& value) {
    config_set_string(config, kSection, key, value.toUtf8().constData());
}
}  // namespace

AfterRecording parseAfterRecording(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("offer")) return AfterRecording::Offer;
    if (word == QLatin1String("publish")) return AfterRecording::Publish;
    return AfterRecording::Nothing;
}

QString afterRecordingText(AfterRecording mode) {
    switch (mode) {
    case AfterRecording::Offer: return QStringLiteral("offer");
    case AfterRecording::Publish: return QStringLiteral("publish");
    case AfterRecording::Nothing: break;
    }
    return QStringLiteral("nothing");
}

QList<int> parseCategories(const QString& text) {
    QList<int> ids;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id <= 0) return {};
        ids << id;
    }
    if (ids.size() > 3) return {};
    return ids;
}

QString categoriesText(const QList<int>& categories) {
    QStringList parts;
    for (int id : categories) parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

PluginSettings loadSettings(config_t* config) {
    PluginSettings settings;
    if (!config) return settings;
    config_set_default_string(config, kSection, kAfterRecording, "nothing");
    config_set_default_string(config, kSection, kTitlePattern, kDefaultTitlePattern);
    config_set_default_int(config, kSection, kModerator, 0);
    settings.afterRecording = parseAfterRecording(read(config, kAfterRecording));
    settings.titlePattern = read(config, kTitlePattern);
    settings.description = read(config, kDescription);
    settings.tags = read(config, kTags);
    settings.categories = parseCategories(read(config, kCategories));
    const long long moderator = config_get_int(config, kSection, kModerator);
    settings.moderator = moderator > 0 && moderator <= INT32_MAX ? static_cast<int>(moderator) : 0;
    settings.user = read(config, kUser).trimmed();
    return settings;
}

void saveSettings(config_t* config, const PluginSettings& settings) {
    if (!config) return;
    write(config, kAfterRecording, afterRecordingText(settings.afterRecording));
    write(config, kTitlePattern, settings.titlePattern);
    write(config, kDescription, settings.description);
    write(config, kTags, settings.tags);
    write(config, kCategories, categoriesText(settings.categories));
    config_set_int(config, kSection, kModerator, settings.moderator);
    write(config, kUser, settings.user);
    config_save_safe(config, "tmp", nullptr);
}

}  // namespace ClipferryObs
