// Each fingerprint a task on the pool, its answer posted back to the context.
#include "hasher.h"

#include <QMetaObject>
#include <QPointer>

namespace ClipferryObs {

Hasher::Hasher() { pool_.setMaxThreadCount(1); }

Hasher::~Hasher() {
    stop();
    pool_.waitForDone(1000);
}

void Hasher::hash(const QString& path, QObject* context, std::function<void(const Fingerprint&)> done) {
    QPointer<QObject> guard(context);
    pool_.start([path, guard, done = std::move(done), stop = stop_] {
        const Fingerprint answer = fingerprintFile(path, *stop);
        if (!guard) return;
        QMetaObject::invokeMethod(guard.data(), [guard, done, answer] { if (guard) done(answer); }, Qt::QueuedConnection);
    });
}

void Hasher::stop() { stop_->store(true); }

bool Hasher::waitForDone(int milliseconds) { return pool_.waitForDone(milliseconds); }

}  // namespace ClipferryObs
