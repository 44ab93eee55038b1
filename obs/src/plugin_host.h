// Everything the plugin adds to OBS, owned in one place: the Tools entries,
// the dock, the publishing dialog, the automatic publisher and the stall
// meter. Created once OBS's window exists; destroyed when OBS exits or the
// module is unloaded, whichever comes first.
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

#include <clipferry-qt/Uploader.h>

#include "hasher.h"
#include "published_record.h"
#include "stall_meter.h"

class QDockWidget;
class QMainWindow;

namespace Clipferry {
class PublishDialog;
}

namespace ClipferryObs {

class AutoPublisher;
class PublishDock;

class PluginHost : public QObject {
    Q_OBJECT
public:
    PluginHost(QMainWindow* main, const QString& recordFile);
    // Returns at once: uploads are cancelled, dialogs closed, the dock
    // emptied; the library's threads are waited for by the caller.
    ~PluginHost() override;

    void recordingStopped();
    // Tools → "Publish to Lumivid…": the dialog on `path`, else on the last
    // recording, else on the file the user chooses.
    void openPublishDialog(const QString& path = QString());
    // As after a recording stops with "publish automatically".
    void publishAutomatically(const QString& path);
    void takeOffer();
    void cancelFromDock();
    // As the main window's close button (obs-websocket has no request to quit).
    void quitObs();

private:
    void publishFile(const QString& path);
    void updateStatus();
    void reveal();
    void openSettings();
    void noteDialogVerdict(const QString& path, const Clipferry::Verdict& verdict);
    QString recordingFolder() const;

    QPointer<QMainWindow> main_;
    StallMeter meter_;
    Hasher hasher_;
    PublishedRecord record_;
    std::unique_ptr<Clipferry::Uploader> dialogUploader_;  // one login for every dialog
    std::unique_ptr<AutoPublisher> autoPublisher_;
    QPointer<QDockWidget> dock_;
    QPointer<PublishDock> dockContent_;
    QPointer<Clipferry::PublishDialog> dialog_;
    QString dialogPage_;
};

}  // namespace ClipferryObs
