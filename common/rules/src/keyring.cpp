// The keyring over libsecret's synchronous calls, each under a deadline for
// the keyring's answers, with an owner for every GLib value they hand back.
#include "clipferry-common/keyring.h"

#include <libsecret/secret.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "keyring_deadline.h"

namespace clipferry::keyring {

namespace {

// One schema for the command and the dialog: the same entry for both.
const SecretSchema* schema() {
    static const SecretSchema value = {
        "org.clipferry.Login", SECRET_SCHEMA_NONE,
        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING}, {"user", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, {}}},
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &value;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct ListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
struct TableFree {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
struct ValueFree {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
struct PasswordFree {
    void operator()(gchar* password) const { secret_password_free(password); }  // wipes it
};
struct ConnectionFree {
    void operator()(GDBusConnection* connection) const { g_object_unref(connection); }
};

std::atomic<bool> gaveUp{false};

std::string noAnswer() {
    return "the keyring did not answer within " + std::to_string(kAnswerLimit.count()) +
           " seconds";
}

// Without a bus named, GLib would try to start one through X11 (dbus-launch)
// and the keyring with it: a command run over ssh or in a test must not.
bool sessionBusNamed(std::string& error) {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0) return true;
    error = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set), so no keyring";
    return false;
}

// What a refusal from the bus or the keyring means to the user, and what to
// do about it; D-Bus names and object paths mean nothing to them.
std::string inUserWords(const GError& error) {
    const std::string message = error.message ? error.message : "";
    if (g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
        g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
        return "no keyring service is running on this desktop session (gnome-keyring or KeePassXC "
               "provide one)";
    }
    if (g_error_matches(&error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED) ||
        message.find("locked") != std::string::npos) {
        return "the keyring is locked: unlock it (the desktop's password manager does; without a "
               "desktop, see \"Remembered login\" in the README) and try again";
    }
    // The keyring service is there, but its default keyring is not: a session
    // that nothing logged in to, so nothing created and unlocked one.
    if (g_error_matches(&error, SECRET_ERROR, SECRET_ERROR_NO_SUCH_OBJECT) ||
        g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
        g_error_matches(&error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD)) {
        return "the keyring service has no default keyring to keep it in (a desktop session creates "
               "and unlocks one at login; without a desktop, see \"Remembered login\" in the README)";
    }
    return message.empty() ? "the keyring could not be used" : message;
}

// One keyring call: the bus, then the call itself, under one deadline.
// GLib is not reached before the session bus is known to be there.
class Call {
public:
    // False, with `error` set, when the keyring cannot be asked: no session
    // bus, it did not answer before, or the bus itself did not answer.
    bool ready(std::string& error) {
        if (!sessionBusNamed(error)) return false;
        if (gaveUp) {
            error = noAnswer();
            return false;
        }
        deadline_.emplace(kAnswerLimit);
        GError* raw = nullptr;
        connection_.reset(deadline_->connect(&raw));
        if (!connection_) error = explain(raw);
        return connection_ != nullptr;
    }
    GCancellable* cancellable() const { return deadline_->cancellable(); }

    std::string explain(GError* raw) {
        std::unique_ptr<GError, ErrorFree> error(raw);
        if (deadline_->passed()) {
            gaveUp = true;
            return noAnswer();
        }
        return error ? inUserWords(*error) : "the keyring could not be used";
    }

private:
    std::optional<AnswerDeadline> deadline_;  // the connection goes first, then the watch
    std::unique_ptr<GDBusConnection, ConnectionFree> connection_;
};

}  // namespace

bool answering() { return !gaveUp; }

bool store(const std::string& service, const std::string& user, const Secret& password, std::string& error) {
    Call call;
    if (!call.ready(error)) return false;
    const std::string label = "Lumivid password for " + user;
    GError* raw = nullptr;
    const gboolean stored =
        secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                   call.cancellable(), &raw, "service", service.c_str(), "user", user.c_str(), nullptr);
    if (!stored) error = call.explain(raw);
    return stored;
}

std::optional<Login> find(const std::string& service, const std::string& user, std::string& error) {
    Call call;
    if (!call.ready(error)) return std::nullopt;
    GError* raw = nullptr;
    if (!user.empty()) {
        std::unique_ptr<gchar, PasswordFree> password(secret_password_lookup_sync(
            schema(), call.cancellable(), &raw, "service", service.c_str(), "user", user.c_str(), nullptr));
        if (raw) error = call.explain(raw);
        if (!password) return std::nullopt;
        return Login{user, Secret(password.get())};
    }
    std::unique_ptr<GList, ListFree> found(secret_password_search_sync(
        schema(), static_cast<SecretSearchFlags>(SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        call.cancellable(), &raw, "service", service.c_str(), nullptr));
    if (raw) {
        error = call.explain(raw);
        return std::nullopt;
    }
    for (GList* item = found.get(); item; item = item->next) {
        auto* entry = static_cast<SecretRetrievable*>(item->data);
        std::unique_ptr<GHashTable, TableFree> attributes(secret_retrievable_get_attributes(entry));
        const auto* name = static_cast<const gchar*>(g_hash_table_lookup(attributes.get(), "user"));
        std::unique_ptr<SecretValue, ValueFree> secret(
            secret_retrievable_retrieve_secret_sync(entry, call.cancellable(), &raw));
        if (raw) {
            error = call.explain(raw);
            return std::nullopt;
        }
        const gchar* text = secret ? secret_value_get_text(secret.get()) : nullptr;
        if (name && *name && text) return Login{name, Secret(text)};
    }
    return std::nullopt;
}

std::vector<std::string> users(const std::string& service, std::string& error) {
    std::vector<std::string> names;
    Call call;
    if (!call.ready(error)) return names;
    GError* raw = nullptr;
    std::unique_ptr<GList, ListFree> found(secret_password_search_sync(
        schema(), SECRET_SEARCH_ALL, call.cancellable(), &raw, "service", service.c_str(), nullptr));
    if (raw) {
        error = call.explain(raw);
        return names;
    }
    for (GList* item = found.get(); item; item = item->next) {
        std::unique_ptr<GHashTable, TableFree> attributes(
            secret_retrievable_get_attributes(static_cast<SecretRetrievable*>(item->data)));
        const auto* name = static_cast<const gchar*>(g_hash_table_lookup(attributes.get(), "user"));
        if (name && *name) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool forget(const std::string& service, const std::string& user, std::string& error) {
    Call call;
    if (!call.ready(error)) return false;
    GError* raw = nullptr;
    secret_password_clear_sync(schema(), call.cancellable(), &raw, "service", service.c_str(), "user", user.c_str(),
                               nullptr);
    if (raw) {
        error = call.explain(raw);
        return false;
    }
    return true;
}

Held held(const std::string& service, const std::string& user, std::string& error) {
    Call call;
    if (!call.ready(error)) return Held::Unknown;
    GError* raw = nullptr;
    // Neither unlocked nor loaded: locked entries are listed as they are.
    const auto flags = SECRET_SEARCH_ALL;
    std::unique_ptr<GList, ListFree> found(
        user.empty() ? secret_password_search_sync(schema(), flags, call.cancellable(), &raw, "service",
                                                   service.c_str(), nullptr)
                     : secret_password_search_sync(schema(), flags, call.cancellable(), &raw, "service",
                                                   service.c_str(), "user", user.c_str(), nullptr));
    if (raw) {
        error = call.explain(raw);
        return Held::Unknown;
    }
    if (!found) return Held::None;
    for (GList* item = found.get(); item; item = item->next) {
        if (SECRET_IS_ITEM(item->data) && !secret_item_get_locked(SECRET_ITEM(item->data))) return Held::Unlocked;
    }
    return Held::Locked;
}

}  // namespace clipferry::keyring
