// Whether the uploads under way or waiting are to be cancelled: set by the
// caller's thread, read by the progress callback on the worker thread.
// Shared by the uploader and its worker, which may outlive it.
#pragma once

#include <atomic>
#include <mutex>

namespace Clipferry::detail {

class CancelState {
public:
    // An upload was asked for (caller's thread).
    void queued() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++pending_;
    }
    // Cancels every upload asked for and not yet finished; none when none is.
    void cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pending_ > 0) cancelled_ = true;
    }
    // For good: the uploader is going away.
    void cancelForGood() {
        std::lock_guard<std::mutex> lock(mutex_);
        forGood_ = true;
        cancelled_ = true;
    }
    bool cancelled() const { return cancelled_; }
    // The uploader is gone: calls still queued are not made.
    bool gone() const { return forGood_; }
    // An upload ended (worker thread); the last one ends the cancel, so that
    // a cancel() with nothing under way does not stop a later upload.
    void finished() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (--pending_ == 0 && !forGood_) cancelled_ = false;
    }

private:
    std::mutex mutex_;
    int pending_ = 0;
    std::atomic<bool> forGood_{false};
    std::atomic<bool> cancelled_{false};
};

}  // namespace Clipferry::detail
