// The requests waiting on the session bus, seen by a filter on the shared
// connection (the one libsecret uses), and the watch that gives up on them.
#include "keyring_deadline.h"

#include <map>

namespace clipferry::keyring {

namespace {

using Clock = std::chrono::steady_clock;

// The method calls sent on the session bus and not answered yet, by serial,
// with when they went out. The filter runs on GDBus's own thread.
class Outstanding {
public:
    // Installed once on each connection and never removed (removing a filter
    // races with its last run); the connection is held, so the one libsecret
    // is handed is this one.
    void watch(GDBusConnection* connection) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (connection == watched_) return;
        watched_ = static_cast<GDBusConnection*>(g_object_ref(connection));
        g_dbus_connection_add_filter(connection, &Outstanding::seen, this, nullptr);
    }

    // Whether a request sent at or after `since` has waited longer than `limit`.
    bool overdue(Clock::time_point since, std::chrono::milliseconds limit) {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [serial, sent] : sent_) {
            if (sent >= since && now - sent > limit) return true;
        }
        return false;
    }

private:
    static GDBusMessage* seen(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
        auto* self = static_cast<Outstanding*>(data);
        const GDBusMessageType type = g_dbus_message_get_message_type(message);
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (!incoming && type == G_DBUS_MESSAGE_TYPE_METHOD_CALL &&
            !(g_dbus_message_get_flags(message) & G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED)) {
            self->sent_[g_dbus_message_get_serial(message)] = Clock::now();
        } else if (incoming && (type == G_DBUS_MESSAGE_TYPE_METHOD_RETURN || type == G_DBUS_MESSAGE_TYPE_ERROR)) {
            self->sent_.erase(g_dbus_message_get_reply_serial(message));
        }
        return message;  // passed on untouched
    }

    std::mutex mutex_;
    GDBusConnection* watched_ = nullptr;
    std::map<guint32, Clock::time_point> sent_;
};

Outstanding& outstanding() {
    static Outstanding* table = new Outstanding;  // lives as long as the connection's filter
    return *table;
}

}  // namespace

AnswerDeadline::AnswerDeadline(std::chrono::milliseconds limit)
    : limit_(limit), began_(Clock::now()), cancellable_(g_cancellable_new()), watcher_([this] { watch(); }) {}

AnswerDeadline::~AnswerDeadline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    watcher_.join();
    g_object_unref(cancellable_);
}

GDBusConnection* AnswerDeadline::connect(GError** error) {
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable_, error);
    if (connection) outstanding().watch(connection);
    connecting_ = false;
    return connection;
}

void AnswerDeadline::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return done_; })) {
        const bool overdue = connecting_ ? Clock::now() - began_ > limit_ : outstanding().overdue(began_, limit_);
        if (overdue) {
            passed_ = true;
            g_cancellable_cancel(cancellable_);  // the call returns with G_IO_ERROR_CANCELLED
            return;
        }
    }
}

}  // namespace clipferry::keyring
