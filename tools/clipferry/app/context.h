// What every command is handed: its streams, the command line as parsed, the
// settings in effect, the environment, and how to make the service and ask
// for a password; main makes the real ones, a test its own.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <clipferry-common/secret.h>

#include "app/io.h"
#include "app/options.h"
#include "service/service.h"
#include "store/config.h"

namespace clipferry::cli {

// What became of an accepted password offered to the keyring.
enum class Kept {
    NotOffered,     // no keyring to offer it to, and storing was not asked for
    Declined,       // the user said no, or there was no terminal to ask at
    Stored,         // stored now
    AlreadyStored,  // the keyring held this very password
    Failed,         // storing was tried and the keyring refused; said on standard error
};

// Where a password comes from besides --password-stdin, and where it is kept.
struct PasswordSources {
    // The one kept in the keyring for a user; empty when none is.
    std::function<std::optional<Secret>(const std::string& user)> remembered;
    // Asked at the terminal (when CLIPFERRY_PASSWORD is not set); throws
    // PasswordError, NoTerminal when there is none.
    std::function<Secret(const std::string& user)> typed;
    // After an accepted login: kept in the keyring, at once when `remember`,
    // else when the user agrees at the terminal.
    std::function<Kept(const std::string& user, const Secret& password, bool remember)> keep;
};

// Waits before a retry; false when the wait was cut short (Ctrl-C).
using Pause = std::function<bool(std::chrono::milliseconds delay)>;

struct Context {
    Io& io;
    const Options& options;
    EnvLookup environment;
    ServiceFactory makeService;
    PasswordSources passwords;
    Pause pause;
    // Read by runCommand before any command runs.
    ConfigFile config;
    Settings settings;

    const std::string& user() const { return settings.user.value; }
    int retries() const { return settings.retry.value; }
};

}  // namespace clipferry::cli
