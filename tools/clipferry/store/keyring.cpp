// The keyring over libsecret's synchronous calls, with an owner for every
// GLib value they hand back.
#include "store/keyring.h"

#include <libsecret/secret.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

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

std::string explain(GError* raw) {
    std::unique_ptr<GError, ErrorFree> error(raw);
    return error && error->message ? error->message : "the keyring did not answer";
}

}  // namespace

bool store(const std::string& service, const Login& login, std::string& error) {
    if (!sessionBusNamed(error)) return false;
    const std::string label = "Lumivid password for " + login.user;
    GError* raw = nullptr;
    const gboolean stored =
        secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), login.password.c_str(), nullptr,
                                   &raw, "service", service.c_str(), "user", login.user.c_str(), nullptr);
    if (!stored) error = explain(raw);
    return stored;
}

std::optional<Login> find(const std::string& service, const std::string& user, std::string& error) {
    if (!sessionBusNamed(error)) return std::nullopt;
    GError* raw = nullptr;
    if (!user.empty()) {
        std::unique_ptr<gchar, PasswordFree> password(secret_password_lookup_sync(
            schema(), nullptr, &raw, "service", service.c_str(), "user", user.c_str(), nullptr));
        if (raw) error = explain(raw);
        if (!password) return std::nullopt;
        return Login{user, password.get()};
    }
    std::unique_ptr<GList, ListFree> found(secret_password_search_sync(
        schema(), static_cast<SecretSearchFlags>(SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS), nullptr, &raw,
        "service", service.c_str(), nullptr));
    if (raw) {
        error = explain(raw);
        return std::nullopt;
    }
    for (GList* item = found.get(); item; item = item->next) {
        auto* entry = static_cast<SecretRetrievable*>(item->data);
        std::unique_ptr<GHashTable, TableFree> attributes(secret_retrievable_get_attributes(entry));
        const auto* name = static_cast<const gchar*>(g_hash_table_lookup(attributes.get(), "user"));
        std::unique_ptr<SecretValue, ValueFree> secret(secret_retrievable_retrieve_secret_sync(entry, nullptr, &raw));
        if (raw) {
            error = explain(raw);
            return std::nullopt;
        }
        const gchar* text = secret ? secret_value_get_text(secret.get()) : nullptr;
        if (name && *name && text) return Login{name, text};
    }
    return std::nullopt;
}

std::vector<std::string> users(const std::string& service, std::string& error) {
    std::vector<std::string> names;
    if (!sessionBusNamed(error)) return names;
    GError* raw = nullptr;
    std::unique_ptr<GList, ListFree> found(
        secret_password_search_sync(schema(), SECRET_SEARCH_ALL, nullptr, &raw, "service", service.c_str(), nullptr));
    if (raw) {
        error = explain(raw);
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
    if (!sessionBusNamed(error)) return false;
    GError* raw = nullptr;
    secret_password_clear_sync(schema(), nullptr, &raw, "service", service.c_str(), "user", user.c_str(), nullptr);
    if (raw) {
        error = explain(raw);
        return false;
    }
    return true;
}

}  // namespace clipferry::keyring
