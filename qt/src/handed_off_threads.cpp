// The handed-off threads, in a list that is never destroyed: a thread may
// still reach it while the process exits.
#include "handed_off_threads.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <vector>

namespace Clipferry::detail {

namespace {

struct HandedOff {
    // Held while waiting, so that no thread is deleted under the wait.
    std::mutex mutex;
    std::vector<QThread*> threads;
    bool waitAtQuit = false;
};

HandedOff& handedOff() {
    static auto* list = new HandedOff;
    return *list;
}

// A host that calls exit() without destroying its application object.
struct WaitAtExit {
    ~WaitAtExit() { waitForHandedOffThreads(); }
} waitAtExit;

}  // namespace

void handOff(QThread* thread) {
    HandedOff& list = handedOff();
    {
        std::lock_guard<std::mutex> lock(list.mutex);
        list.threads.push_back(thread);
        if (!list.waitAtQuit) {
            qAddPostRoutine(static_cast<void (*)()>(waitForHandedOffThreads));
            list.waitAtQuit = true;
        }
    }
    // Delivered on the thread that owns the QThread object, once the thread ended.
    QObject::connect(thread, &QThread::finished, thread, [thread] {
        HandedOff& list = handedOff();
        {
            std::lock_guard<std::mutex> lock(list.mutex);
            auto found = std::find(list.threads.begin(), list.threads.end(), thread);
            if (found == list.threads.end()) return;
            list.threads.erase(found);
        }
        thread->deleteLater();
    });
    thread->quit();
}

void waitForHandedOffThreads() {
    HandedOff& list = handedOff();
    std::lock_guard<std::mutex> lock(list.mutex);
    for (QThread* thread : list.threads) thread->wait();
}

bool waitForHandedOffThreads(int milliseconds) {
    HandedOff& list = handedOff();
    const QDeadlineTimer deadline(milliseconds);
    std::lock_guard<std::mutex> lock(list.mutex);
    for (QThread* thread : list.threads) {
        if (!thread->wait(deadline)) return false;
    }
    // Every one ended (their QThread objects go once the owner's loop runs).
    if (list.waitAtQuit) {
        qRemovePostRoutine(static_cast<void (*)()>(waitForHandedOffThreads));
        list.waitAtQuit = false;
    }
    return true;
}

}  // namespace Clipferry::detail
