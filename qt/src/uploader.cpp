// Clipferry::Uploader: queues each call to the worker thread in order and
// forwards the worker's signals, which Qt delivers on the uploader's thread.
#include "clipferry-qt/Uploader.h"

#include <QFutureWatcher>
#include <QMetaObject>
#include <QThread>

#include <clipferry.h>

#include "cancel_state.h"
#include "handed_off_threads.h"
#include "remembered_login.h"
#include "upload_worker.h"

namespace Clipferry {

struct Uploader::Private {
    std::shared_ptr<detail::CancelState> cancel = std::make_shared<detail::CancelState>();
    // Handed off when the uploader goes: it ends by itself once its call returned.
    QThread* thread = new QThread;
    detail::UploadWorker* worker = nullptr;  // lives on `thread`; deleted there when it ends
    // The users of the logins queued, in order; an empty one for a login
    // that a later logOut() ended before it answered.
    QStringList loginsAsked;
    QString user;

    // Runs `call` on the worker thread after every call queued before it.
    template <typename Call>
    void queue(Call&& call) {
        QMetaObject::invokeMethod(worker, std::forward<Call>(call), Qt::QueuedConnection);
    }
};

Uploader::Uploader(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {
    qRegisterMetaType<Category>();
    qRegisterMetaType<Moderator>();
    qRegisterMetaType<Verdict>();
    qRegisterMetaType<QList<Category>>();
    qRegisterMetaType<QList<Moderator>>();
    qRegisterMetaType<Uploader::Call>();
    d->thread->setObjectName(QStringLiteral("Clipferry uploader"));
    d->worker = new detail::UploadWorker(d->cancel);
    d->worker->moveToThread(d->thread);
    // The worker releases the context on its own thread, as that thread ends.
    connect(d->thread, &QThread::finished, d->worker, &QObject::deleteLater);
    // Signal to signal: queued across the threads, and cut when this object goes.
    using W = detail::UploadWorker;
    connect(d->worker, &W::loggedIn, this, [this] {
        d->user = d->loginsAsked.isEmpty() ? QString() : d->loginsAsked.takeFirst();
        emit loggedIn();
    });
    connect(d->worker, &W::loginFailed, this, [this](int result, const QString& text) {
        if (!d->loginsAsked.isEmpty()) d->loginsAsked.removeFirst();
        d->user.clear();  // the session before it is not relied on
        emit loginFailed(result, text);
    });
    connect(d->worker, &W::fileTypes, this, &Uploader::fileTypes);
    connect(d->worker, &W::categories, this, &Uploader::categories);
    connect(d->worker, &W::moderators, this, &Uploader::moderators);
    connect(d->worker, &W::callFailed, this, &Uploader::callFailed);
    connect(d->worker, &W::progress, this, &Uploader::progress);
    connect(d->worker, &W::finished, this, &Uploader::finished);
    d->thread->start();
}

Uploader::~Uploader() {
    // Returns at once: the upload under way is cancelled, the calls queued do
    // nothing, and a login or list call that is running ends on its thread,
    // which then releases the context and ends too. Nothing reaches this
    // object any more.
    d->cancel->cancelForGood();
    disconnect(d->worker, nullptr, this, nullptr);
    detail::handOff(d->thread);
}

void Uploader::login(const QString& user, const QString& password) {
    d->loginsAsked << user;
    d->queue([worker = d->worker, user, password] { worker->login(user, password); });
}

void Uploader::logInRemembered(const QString& user) {
    auto* watcher = new QFutureWatcher<detail::KeyringAnswer>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const detail::KeyringAnswer answer = watcher->result();
        watcher->deleteLater();
        if (answer.ok) {
            login(answer.user, answer.password);
        } else {
            emit loginFailed(CLIPFERRY_BAD_ARGUMENT, answer.error.isEmpty()
                                                         ? QStringLiteral("no login is remembered in the keyring")
                                                         : answer.error);
        }
    });
    watcher->setFuture(detail::findLogin(user));
}

void Uploader::logOut() {
    d->user.clear();
    for (QString& asked : d->loginsAsked) asked.clear();
    d->queue([worker = d->worker] { worker->logOut(); });
}

QString Uploader::user() const { return d->user; }

bool Uploader::isLoggedIn() const { return !d->user.isEmpty(); }

void Uploader::fetchFileTypes() {
    d->queue([worker = d->worker] { worker->fetchFileTypes(); });
}

void Uploader::fetchCategories(int parent) {
    d->queue([worker = d->worker, parent] { worker->fetchCategories(parent); });
}

void Uploader::fetchModerators() {
    d->queue([worker = d->worker] { worker->fetchModerators(); });
}

void Uploader::upload(const Upload& upload) {
    d->cancel->queued();
    d->queue([worker = d->worker, upload] { worker->upload(upload); });
}

void Uploader::cancel() { d->cancel->cancel(); }

QString Uploader::resultText(int result) { return QString::fromLatin1(clipferry_result_text(result)); }

bool Uploader::waitForThreads(int milliseconds) { return detail::waitForHandedOffThreads(milliseconds); }

}  // namespace Clipferry
