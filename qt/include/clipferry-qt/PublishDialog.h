// Clipferry::PublishDialog: log in, fill the form from the service's lists,
// send with progress and Cancel, and show the service's verdict.
#pragma once

#include <QDialog>

#include <memory>

#include "Global.h"
#include "Uploader.h"

namespace Clipferry {

// A host shows it with its file preset:
//     Clipferry::PublishDialog dialog(parent);
//     dialog.setFile(path);
//     dialog.setTitle(name);
//     if (dialog.exec() != QDialog::Accepted) { /* dialog.verdict() says what happened */ }
// The categories, moderator and tags chosen are kept for the next dialog in
// the host's QSettings (group "ClipferryPublishDialog").
// exec() returns Accepted only for a published video. A verdict with
// mayHaveBeenReceived means the service may publish it all the same.
// To embed it in a window of its own, give it Qt::Widget as its window flags.
class CLIPFERRY_QT_EXPORT PublishDialog : public QDialog {
    Q_OBJECT
public:
    enum class Page { Login, Form, Sending, Verdict };
    Q_ENUM(Page)

    explicit PublishDialog(QWidget* parent = nullptr);
    // With the host's uploader, which outlives the dialog: a login made in
    // one dialog holds for the next, which then opens on the form (the user
    // named, with "Log out / another account"). Destroying the dialog ends
    // its upload, never the uploader's login. (The parent has no default, so
    // that PublishDialog(nullptr) stays the constructor above.)
    PublishDialog(Uploader* uploader, QWidget* parent);
    // Returns at once: cancels an upload under way, and leaves a call that is
    // running to end on the uploader's thread (see Uploader).
    ~PublishDialog() override;

    // The form's fields, preset by the host; the user may change them all.
    // The user, whose remembered login is used (see showEvent).
    void setUser(const QString& user);
    // The video; the title too, from the file's name, while it is empty.
    void setFile(const QString& path);
    void setTitle(const QString& title);
    // Sent as given: its line breaks and tabs are kept.
    void setDescription(const QString& description);
    // Words separated by spaces or commas; in place of those of the last publish.
    void setTags(const QString& tags);

    Page page() const;
    // The last upload's verdict (default-constructed, result -1, until one
    // finished). Once the dialog was closed it is final: closing while the
    // verdict is awaited cancels and keeps the dialog open until it shows
    // what happened, including "may have been received".
    Clipferry::Verdict verdict() const;

signals:
    void pageChanged(Clipferry::PublishDialog::Page page);
    void uploadFinished(const Clipferry::Verdict& verdict);

public slots:
    // Escape, or closing the window: while sending, cancels the upload (the
    // dialog stays to show the outcome), after asking "Stop sending?" once
    // more than 3 s of sending would be lost; after an accepted upload, accepts.
    void reject() override;

protected:
    // The first time: a login remembered in the keyring is used at once.
    void showEvent(QShowEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace Clipferry
