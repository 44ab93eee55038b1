// The plugin's settings, kept in OBS's global configuration under
// [Clipferry]; the text forms are parsed here so that a hand-edited file
// reads the same as one the settings dialog wrote.
#pragma once

#include <QList>
#include <QString>

struct config_data;

namespace ClipferryObs {

enum class AfterRecording { Nothing, Offer, Publish };

struct PluginSettings {
    AfterRecording afterRecording = AfterRecording::Nothing;
    QString titlePattern;
    QString description;
    QString tags;
    QList<int> categories;
    int moderator = 0;
    QString user;  // empty: the first login the keyring holds
};

inline constexpr const char* kSection = "Clipferry";
inline constexpr const char* kDefaultTitlePattern = "Recording {date} {time}";

// Unknown words read as Nothing: a typo never publishes by itself.
AfterRecording parseAfterRecording(const QString& text);
QString afterRecordingText(AfterRecording mode);
// "12, 31,7" -> {12, 31, 7}; empty, or anything but 1 to 3 positive ids, is {}.
QList<int> parseCategories(const QString& text);
QString categoriesText(const QList<int>& categories);

PluginSettings loadSettings(config_data* config);
void saveSettings(config_data* config, const PluginSettings& settings);

}  // namespace ClipferryObs
