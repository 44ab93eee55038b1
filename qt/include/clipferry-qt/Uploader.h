// Clipferry::Uploader: the library's blocking calls on a worker thread of
// their own, reported through signals on the thread that owns the uploader.
#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "Global.h"

namespace Clipferry {

struct Category {
    int id = 0;
    QString name;
};

struct Moderator {
    int id = 0;  // the contact id to upload with
    QString firstName;
    QString lastName;
};

// What one upload sends. Categories: one to three ids; the rest are sent as 0.
struct Upload {
    QString file;
    QString title;
    QString description;
    QString tags;  // words separated by spaces (commas are taken as spaces)
    QList<int> categories;
    int moderator = 0;  // 0 for none
};

struct Verdict {
    bool accepted = false;
    // The library's result code (0, 42, 82, 83, or a libcurl result); -1 until
    // an upload finished, so that no verdict reads as a success by default.
    int result = -1;
    QString message;  // the service's, when it gave one
    // The call failed after the whole file went out (a dropped connection, a
    // timeout, a cancel while the verdict was awaited): the service may have
    // the video, so it must not be sent again before the user looked for it.
    bool mayHaveBeenReceived = false;
    bool cancelled = false;  // by cancel() or the uploader's destruction
};

// One uploader context on one worker thread: calls run one at a time, in the
// order they were made, and each answers with its signal. Destroying the
// uploader returns at once, in any state: an upload under way is cancelled,
// calls still queued are dropped, and a login or list call that is running
// (50 s at most) ends on the worker thread, which then releases the context
// and ends itself. No signal arrives afterwards.
//
// At exit: a worker thread still in a call is waited for when the
// QCoreApplication is destroyed (or, without one, at exit), so that no
// thread is inside the library while the process takes down its statics. A
// host that quits right after closing a dialog during a login therefore
// ends when that call returns; a cancelled upload ends at once.
class CLIPFERRY_QT_EXPORT Uploader : public QObject {
    Q_OBJECT
public:
    // Which call a callFailed signal answers.
    enum class Call { Login, FileTypes, Categories, Moderators, Upload };
    Q_ENUM(Call)

    explicit Uploader(QObject* parent = nullptr);
    ~Uploader() override;

    void login(const QString& user, const QString& password);
    // Logs in with the login the keyring remembers for `user` (empty: the
    // first one it holds), looked up off the calling thread; answers with
    // loggedIn, or loginFailed (CLIPFERRY_BAD_ARGUMENT and the keyring's
    // words) when there is none. Calls made before it answers run before
    // its login.
    void logInRemembered(const QString& user = QString());
    // Ends the login: the context goes, and with it the session; a later
    // call needs a new login(). An upload under way is let finish first.
    void logOut();
    // The user of the last login that worked, until logOut() or a login
    // that failed; empty while there is none. A host keeps one uploader for
    // its whole run and hands it to each PublishDialog, so the user logs in once.
    QString user() const;
    bool isLoggedIn() const;
    void fetchFileTypes();
    void fetchCategories(int parent);  // 0: the top level
    void fetchModerators();
    void upload(const Upload& upload);
    // Cancels the uploads under way or waiting; they finish with `cancelled`.
    // Logins and lists are short (50 s at most) and are let finish.
    void cancel();

    // A short English text for a library result (the header's own).
    static QString resultText(int result);

    // Waits up to `milliseconds` for the worker threads of uploaders already
    // destroyed; true once none of them runs any more. A plugin host calls it
    // before it is unloaded, so that no thread is left inside this library.
    static bool waitForThreads(int milliseconds);

signals:
    void loggedIn();
    void loginFailed(int result, const QString& text);
    void fileTypes(const QStringList& patterns);  // "*.mp4", "*.mov", ...
    void categories(int parent, const QList<Clipferry::Category>& children);
    // `allowed` is false when the account may not choose a moderator.
    void moderators(const QList<Clipferry::Moderator>& moderators, bool allowed);
    void callFailed(Clipferry::Uploader::Call call, int result, const QString& text);
    // Bytes of the whole form (the file and its fields); total is 0 until known.
    void progress(qint64 sent, qint64 total);
    void finished(const Clipferry::Verdict& verdict);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace Clipferry

Q_DECLARE_METATYPE(Clipferry::Category)
Q_DECLARE_METATYPE(Clipferry::Moderator)
Q_DECLARE_METATYPE(Clipferry::Verdict)
