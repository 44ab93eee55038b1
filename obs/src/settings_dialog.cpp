// A plain form; categories are ids because the lists come from the service
// and this dialog asks nothing of it (the publishing dialog shows names).
#include "settings_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "obs_texts.h"

namespace ClipferryObs {

SettingsDialog::SettingsDialog(const PluginSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ClipferrySettingsDialog"));
    setWindowTitle(text("Settings.Title"));
    after_ = new QComboBox(this);
    after_->addItem(text("Settings.Nothing"), static_cast<int>(AfterRecording::Nothing));
    after_->addItem(text("Settings.Offer"), static_cast<int>(AfterRecording::Offer));
    after_->addItem(text("Settings.Publish"), static_cast<int>(AfterRecording::Publish));
    after_->setCurrentIndex(after_->findData(static_cast<int>(settings.afterRecording)));
    titlePattern_ = new QLineEdit(settings.titlePattern, this);
    titlePattern_->setToolTip(text("Settings.TitlePatternHint"));
    description_ = new QPlainTextEdit(settings.description, this);
    description_->setMaximumHeight(80);
    tags_ = new QLineEdit(settings.tags, this);
    categories_ = new QLineEdit(categoriesText(settings.categories), this);
    categories_->setPlaceholderText(text("Settings.CategoriesHint"));
    moderator_ = new QSpinBox(this);
    moderator_->setRange(0, INT32_MAX);
    moderator_->setSpecialValueText(text("Settings.NoModerator"));
    moderator_->setValue(settings.moderator);
    user_ = new QLineEdit(settings.user, this);
    user_->setPlaceholderText(text("Settings.UserHint"));

    auto* form = new QFormLayout;
    form->addRow(text("Settings.AfterRecording"), after_);
    form->addRow(text("Settings.TitlePattern"), titlePattern_);
    auto* hint = new QLabel(text("Settings.TitlePatternHint"), this);
    hint->setWordWrap(true);
    form->addRow(QString(), hint);
    form->addRow(text("Settings.Description"), description_);
    form->addRow(text("Settings.Tags"), tags_);
    form->addRow(text("Settings.Categories"), categories_);
    form->addRow(text("Settings.Moderator"), moderator_);
    form->addRow(text("Settings.User"), user_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(categories_, &QLineEdit::textChanged, this, [this] { updateChecks(); });
    connect(after_, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { updateChecks(); });
    updateChecks();
}

PluginSettings SettingsDialog::settings() const {
    PluginSettings settings;
    settings.afterRecording = static_cast<AfterRecording>(after_->currentData().toInt());
    settings.titlePattern = titlePattern_->text();
    settings.description = description_->toPlainText();
    settings.tags = tags_->text();
    settings.categories = parseCategories(categories_->text());
    settings.moderator = moderator_->value();
    settings.user = user_->text().trimmed();
    return settings;
}

// Publishing by itself needs categories that the service can take (1 to 3 ids).
void SettingsDialog::updateChecks() {
    const bool publishing = after_->currentData().toInt() == static_cast<int>(AfterRecording::Publish);
    ok_->setEnabled(!publishing || !parseCategories(categories_->text()).isEmpty());
}

}  // namespace ClipferryObs
