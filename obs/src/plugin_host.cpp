// The plugin's entries in OBS and what each one starts.
#include "plugin_host.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>

#include <clipferry-qt/PublishDialog.h>

#include <obs-frontend-api.h>
#include <obs-module.h>
#include <util/config-file.h>

#include "auto_publisher.h"
#include "obs_texts.h"
#include "plugin_settings.h"
#include "publish_dock.h"
#include "settings_dialog.h"
#include "title_pattern.h"
#include "verdict_text.h"
#include "websocket_requests.h"

namespace ClipferryObs {

namespace {

QString lastRecording() {
    char* path = obs_frontend_get_last_recording();
    const QString text = path ? QString::fromUtf8(path) : QString();
    bfree(path);
    return text;
}

PluginSettings currentSettings() { return loadSettings(obs_frontend_get_global_config()); }

}  // namespace

PluginHost::PluginHost(QMainWindow* main, const QString& recordFile)
    : main_(main), record_(recordFile), dialogUploader_(std::make_unique<Clipferry::Uploader>()),
      autoPublisher_(std::make_unique<AutoPublisher>(hasher_, record_, meter_)) {
    auto* publish = static_cast<QAction*>(obs_frontend_add_tools_menu_qaction(obs_module_text("Menu.Publish")));
    connect(publish, &QAction::triggered, this, [this] { openPublishDialog(); });
    auto* settings = static_cast<QAction*>(obs_frontend_add_tools_menu_qaction(obs_module_text("Menu.Settings")));
    connect(settings, &QAction::triggered, this, [this] { openSettings(); });

    dock_ = new QDockWidget(text("Dock.Title"), main);
    dock_->setObjectName(QStringLiteral("ClipferryDock"));
    dockContent_ = new PublishDock(dock_);
    dock_->setWidget(dockContent_);
    obs_frontend_add_dock(dock_.data());
    autoPublisher_->setDock(dockContent_);
    connect(dockContent_, &PublishDock::publishClicked, this, [this](const QString& path) { publishFile(path); });
    connect(dockContent_, &PublishDock::cancelClicked, this, [this] { dialogUploader_->cancel(); });
    // The dialog's upload shows in the dock too, so it stays in sight behind OBS's window.
    connect(dialogUploader_.get(), &Clipferry::Uploader::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (dockContent_) dockContent_->showProgress(sent, total);
    });
    connect(dockContent_, &PublishDock::changed, this, [this] { updateStatus(); });
    connect(dockContent_, &PublishDock::workStarted, this, [this] { reveal(); });
    updateStatus();
    setRequestTarget(this);
    blog(LOG_INFO, "[clipferry-obs] loaded");
}

PluginHost::~PluginHost() {
    setRequestTarget(nullptr);
    // First the fingerprints, whose answers go to the objects below (a block
    // is read in milliseconds, so this returns at once).
    hasher_.stop();
    hasher_.waitForDone(1000);
    delete dialog_.data();  // its destructor cancels its upload and returns at once
    autoPublisher_.reset();
    dialogUploader_.reset();
    // The dock stays OBS's; what in it is ours goes with the plugin.
    delete dockContent_.data();
}

void PluginHost::recordingStopped() {
    const QString path = lastRecording();
    blog(LOG_INFO, "[clipferry-obs] recording stopped: %s", path.toUtf8().constData());
    if (path.isEmpty()) return;
    const PluginSettings settings = currentSettings();
    switch (settings.afterRecording) {
    case AfterRecording::Nothing: return;
    case AfterRecording::Publish: autoPublisher_->publish(path, settings); return;
    case AfterRecording::Offer:
        if (!dockContent_) return;
        dockContent_->offer(path);
        reveal();
        blog(LOG_INFO, "[clipferry-obs] offered: %s", path.toUtf8().constData());
        return;
    }
}

void PluginHost::openPublishDialog(const QString& given) {
    const QString path = given.isEmpty() ? lastRecording() : given;
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        publishFile(path);
        return;
    }
    auto* chooser = new QFileDialog(main_, text("ChooseRecording"), recordingFolder(),
                                    text("VideoFiles") + QStringLiteral(" (*.mkv *.mp4 *.mov *.flv *.ts *.m3u8);;") +
                                        text("AllFiles") + QStringLiteral(" (*)"));
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::ExistingFile);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& chosen) { publishFile(chosen); });
    chooser->open();
}

void PluginHost::publishFile(const QString& path) {
    if (dialog_) {  // one at a time; the one open keeps what the user typed
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    const PluginSettings settings = currentSettings();
    auto* dialog = new Clipferry::PublishDialog(dialogUploader_.get(), main_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setFile(path);
    dialog->setTitle(expandTitle(settings.titlePattern, recordingStart(path), path));
    dialog->setDescription(settings.description);
    dialog->setTags(settings.tags);
    connect(dialog, &Clipferry::PublishDialog::pageChanged, this, [this](Clipferry::PublishDialog::Page page) {
        using Page = Clipferry::PublishDialog::Page;
        static const char* const phases[] = {"login", "lists", "upload", "idle"};
        static const char* const pages[] = {"login", "form", "sending", "verdict"};
        meter_.setPhase(QString::fromLatin1(phases[static_cast<int>(page)]));
        dialogPage_ = QString::fromLatin1(pages[static_cast<int>(page)]);
        updateStatus();
        if (page == Page::Sending && dockContent_) dockContent_->showWorking(text("Dock.SendingDialog"), true);
    });
    connect(dialog, &Clipferry::PublishDialog::uploadFinished, this,
            [this, path](const Clipferry::Verdict& verdict) { noteDialogVerdict(path, verdict); });
    connect(dialog, &QObject::destroyed, this, [this] {
        meter_.setPhase(QStringLiteral("idle"));
        dialogPage_.clear();
        updateStatus();
    });
    dialog_ = dialog;
    dialogPage_ = QStringLiteral("login");
    meter_.setPhase(QStringLiteral("login"));
    dialog->show();
    updateStatus();
}

void PluginHost::publishAutomatically(const QString& path) {
    PluginSettings settings = currentSettings();
    autoPublisher_->publish(path, settings);
}

void PluginHost::takeOffer() {
    if (dockContent_) dockContent_->takeOffer();
}

void PluginHost::cancelFromDock() {
    if (dockContent_) dockContent_->cancel();
}

void PluginHost::quitObs() {
    if (main_) main_->close();
}

// Brought into view only while nothing goes out live: a floating dock could
// cover the picture of a stream. Floating, it takes the size its words need.
void PluginHost::reveal() {
    if (!dock_ || obs_frontend_streaming_active()) return;
    dock_->show();
    if (dock_->isFloating()) dock_->adjustSize();
}

void PluginHost::updateStatus() {
    if (dock_ && dock_->isVisible() && dock_->isFloating()) dock_->adjustSize();
    if (!dockContent_) return;
    setDockStatus({dockContent_->words(), dockContent_->offered(), dialogPage_});
}

// A recording published from the dialog is noted like an automatic one, so
// that publishing it automatically later sends nothing.
void PluginHost::noteDialogVerdict(const QString& path, const Clipferry::Verdict& verdict) {
    const QString name = QFileInfo(path).fileName();
    if (dockContent_) dockContent_->showOutcome(verdictSentence(verdict, name));
    if (verdict.accepted()) {
        blog(LOG_INFO, "[clipferry-obs] published %s: accepted", path.toUtf8().constData());
    } else {
        blog(LOG_WARNING, "[clipferry-obs] not published %s: %s (result %d)", path.toUtf8().constData(),
             verdictLogWords(verdict).toUtf8().constData(), verdict.result());
    }
    if (!verdict.accepted() && !verdict.mayHaveBeenReceived()) return;
    const RecordState state = verdict.accepted() ? RecordState::Published : RecordState::MayHaveBeenReceived;
    hasher_.hash(path, this, [this, path, state](const Fingerprint& answer) {
        QString error = answer.error;
        if (answer.sha256.isEmpty() || !record_.note(answer.sha256, state, path, &error)) {
            blog(LOG_WARNING, "[clipferry-obs] could not note %s as sent: %s", path.toUtf8().constData(),
                 error.toUtf8().constData());
        }
    });
}

void PluginHost::openSettings() {
    SettingsDialog dialog(currentSettings(), main_);
    if (dialog.exec() == QDialog::Accepted) saveSettings(obs_frontend_get_global_config(), dialog.settings());
}

// Where OBS writes recordings, in the current profile's output mode.
QString PluginHost::recordingFolder() const {
    config_t* profile = obs_frontend_get_profile_config();
    const char* mode = profile ? config_get_string(profile, "Output", "Mode") : nullptr;
    const bool advanced = mode && QString::fromUtf8(mode) == QLatin1String("Advanced");
    const char* folder = profile ? config_get_string(profile, advanced ? "AdvOut" : "SimpleOutput",
                                                     advanced ? "RecFilePath" : "FilePath")
                                 : nullptr;
    return folder && *folder ? QString::fromUtf8(folder) : QDir::homePath();
}

}  // namespace ClipferryObs
