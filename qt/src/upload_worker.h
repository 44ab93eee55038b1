// The object on the uploader's worker thread: owns the library context and
// makes the blocking calls, one per queued request, emitting what they gave.
#pragma once

#include <QObject>

#include <memory>

#include "cancel_state.h"
#include "clipferry-qt/Uploader.h"

namespace Clipferry::detail {

class UploadWorker : public QObject {
    Q_OBJECT
public:
    explicit UploadWorker(std::shared_ptr<CancelState> cancel);
    ~UploadWorker() override;  // releases the context, on whichever thread deletes it

    void login(const QString& user, const QString& password);
    void fetchFileTypes();
    void fetchCategories(int parent);
    void fetchModerators();
    void upload(const Upload& upload);
    // Releases the context, and the login with it; the next call starts a new one.
    void logOut();

signals:
    void loggedIn();
    void loginFailed(int result, const QString& text);
    void fileTypes(const QStringList& patterns);
    void categories(int parent, const QList<Clipferry::Category>& children);
    void moderators(const QList<Clipferry::Moderator>& moderators, bool allowed);
    void callFailed(Clipferry::Uploader::Call call, int result, const QString& text);
    void progress(qint64 sent, qint64 total);
    void finished(const Clipferry::Verdict& verdict);

private:
    // Null only when no memory could be had for it.
    void* context();
    Verdict send(const Upload& upload);

    struct Release {
        void operator()(void* context) const;
    };
    std::unique_ptr<void, Release> context_;
    std::shared_ptr<CancelState> cancel_;
};

}  // namespace Clipferry::detail
