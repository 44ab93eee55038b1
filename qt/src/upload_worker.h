// The object on the uploader's worker thread: owns the library context and
// makes the blocking calls, one per queued request, and reports what they
// gave as the uploader's own signals.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "cancel_state.h"
#include "clipferry-qt/Uploader.h"

namespace Clipferry::detail {

using Report = std::function<void(Uploader& uploader)>;

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
    // Each report runs on the uploader's thread, with the uploader, while it
    // still exists, and emits one of its signals: what a call answers is
    // declared once, in Uploader.h.
    void reported(const Clipferry::detail::Report& report);
    // A login's result: the uploader keeps its user before it tells the host.
    void loginAnswered(int result);

private:
    // Null only when no memory could be had for it.
    void* context();
    Verdict send(const Upload& upload);
    void report(Report report) { emit reported(report); }
    void callFailed(Uploader::Call call, int result);

    struct Release {
        void operator()(void* context) const;
    };
    std::unique_ptr<void, Release> context_;
    std::shared_ptr<CancelState> cancel_;
};

}  // namespace Clipferry::detail

Q_DECLARE_METATYPE(Clipferry::detail::Report)
