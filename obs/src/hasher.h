// Fingerprints computed on a small pool of the plugin's own, so that the
// plugin can stop them and wait for them (bounded) before OBS unloads it.
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

#include "file_fingerprint.h"

namespace ClipferryObs {

class Hasher {
public:
    Hasher();
    // Stops what runs and waits for it, 1 s at most (a block is read in ms).
    ~Hasher();

    // `done` runs on `context`'s thread, unless `context` went first; the
    // owner of `context` stops and waits for the hasher before it goes.
    void hash(const QString& path, QObject* context, std::function<void(const Fingerprint&)> done);
    // Stops every fingerprint under way; their `done` still runs, empty.
    void stop();
    bool waitForDone(int milliseconds);

private:
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};

}  // namespace ClipferryObs
