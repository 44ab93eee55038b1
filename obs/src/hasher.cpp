// Each fingerprint a task on the pool, its answer posted back to the context.
#include "hasher.h"

#include <QMetaObject>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ClipferryObs {

namespace {
// Reading and hashing gigabytes competes with OBS's own threads for the
// processors: this one yields to them (a thread's own nice value, on Linux).
void yieldToOthers() { setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10); }
}  // namespace

Hasher::Hasher() { pool_.setMaxThreadCount(1); }

Hasher::~Hasher() {
    stop();
    pool_.waitForDone(1000);
}

void Hasher::hash(const QString& path, QObject* context, std::function<void(const Fingerprint&)> done) {
    // The context outlives the task (its owner waits for the pool first);
    // Qt drops the answer if the context goes before it is delivered.
    pool_.start([path, context, done = std::move(done), stop = stop_] {
        yieldToOthers();
        const Fingerprint answer = fingerprintFile(path, *stop);
        QMetaObject::invokeMethod(context, [done, answer] { done(answer); }, Qt::QueuedConnection);
    });
}

void Hasher::stop() { stop_->store(true); }

bool Hasher::waitForDone(int milliseconds) { return pool_.waitForDone(milliseconds); }

}  // namespace ClipferryObs
