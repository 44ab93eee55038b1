// How long a keyring call may wait: a request the keyring has not answered
// within the limit cancels the call. Waiting on the user is not a request
// waiting: while the keyring shows its unlock prompt nothing is outstanding
// on the bus, so the user may take their time there.
#pragma once

#include <gio/gio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace clipferry::keyring {

// For one keyring call: its GCancellable, cancelled by a watch thread once a
// request sent on the session bus since the call began (or the connection to
// the bus itself) has gone `limit` without an answer.
class AnswerDeadline {
public:
    explicit AnswerDeadline(std::chrono::milliseconds limit);
    ~AnswerDeadline();
    AnswerDeadline(const AnswerDeadline&) = delete;
    AnswerDeadline& operator=(const AnswerDeadline&) = delete;

    // The session bus, connected within the deadline, with the requests on it
    // watched from now on; null (and `error` set) when it could not be had.
    GDBusConnection* connect(GError** error);
    GCancellable* cancellable() const { return cancellable_; }
    // Whether the call was cancelled because the keyring did not answer.
    bool passed() const { return passed_; }

private:
    void watch();

    const std::chrono::milliseconds limit_;
    const std::chrono::steady_clock::time_point began_;
    GCancellable* cancellable_;
    std::atomic<bool> connecting_{true};  // connecting counts as a request waiting since began_
    std::atomic<bool> passed_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watcher_;  // last: started once everything it reads is set
};

}  // namespace clipferry::keyring
