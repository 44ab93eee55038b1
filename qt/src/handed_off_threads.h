// The worker threads of uploaders that are gone. Each ends by itself once the
// call it is in returns; whatever still runs when the application object goes
// is waited for then, so that no thread is inside the library or Qt while the
// process takes down its statics.
#pragma once

class QThread;

namespace Clipferry::detail {

// Takes `thread` (running, without a parent), tells its event loop to quit,
// and deletes it on its owner's thread once it ended. Returns at once.
void handOff(QThread* thread);

// Waits for every handed-off thread still running. Runs when the
// QCoreApplication is destroyed, and again at exit for a host without one.
void waitForHandedOffThreads();

// The same within `milliseconds`; true when every one ended. Then nothing
// waits at quit any more either, so that a host may unload this library.
bool waitForHandedOffThreads(int milliseconds);

}  // namespace Clipferry::detail
