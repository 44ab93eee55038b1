// Tools → "Lumivid publishing settings…": what happens after a recording
// stops, and the defaults an automatic publication sends.
#pragma once

#include <QDialog>

#include "plugin_settings.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace ClipferryObs {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(const PluginSettings& settings, QWidget* parent);
    PluginSettings settings() const;

private:
    void updateChecks();

    QComboBox* after_ = nullptr;
    QLineEdit* titlePattern_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    QLineEdit* tags_ = nullptr;
    QLineEdit* categories_ = nullptr;
    QSpinBox* moderator_ = nullptr;
    QLineEdit* user_ = nullptr;
    QWidget* ok_ = nullptr;
};

}  // namespace ClipferryObs
