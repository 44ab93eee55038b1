// The remembered login: the user's Lumivid password in the desktop's keyring
// (the Secret Service), one entry per service and user, shared by the command
// and the Qt dialog. Never written anywhere else.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "clipferry-common/secret.h"

namespace clipferry::keyring {

// What the entries are kept under: the service's API host, so that builds
// for different services keep apart.
struct Login {
    std::string user;
    Secret password;
};

// How long one request to the keyring may go unanswered.
inline constexpr std::chrono::seconds kAnswerLimit{5};

// Each call talks to the keyring over the session bus and blocks until it
// answers, or until a request has gone kAnswerLimit without an answer (an
// unlock prompt the user is answering is not counted). `error` receives why
// it could not, in the user's words with what to do (no session bus, no
// keyring service, no default keyring, a locked keyring, no answer...), and
// is left alone otherwise. Once the keyring has not
// answered, every later call in the process fails at once, so a host never
// waits on it twice.
bool store(const std::string& service, const std::string& user, const Secret& password, std::string& error);
// The stored login for `user`, or with an empty user the first one stored
// for the service. Nothing when none is stored or the keyring cannot be
// reached (then `error` says why).
std::optional<Login> find(const std::string& service, const std::string& user, std::string& error);
// The users with a login stored for the service, sorted; nothing when none is
// stored or the keyring cannot be reached (then `error` says why). Reads no
// password, so it asks for no unlock.
std::vector<std::string> users(const std::string& service, std::string& error);
// Removes the user's entry; true also when there was none.
bool forget(const std::string& service, const std::string& user, std::string& error);

// Whether an entry is stored for `user` (any user when empty), found without
// unlocking anything, so that a locked keyring is told from an empty one.
// Unknown, with `error` set, when the keyring cannot be reached.
enum class Held { None, Unlocked, Locked, Unknown };
Held held(const std::string& service, const std::string& user, std::string& error);

// False once a call has given up waiting for the keyring's answer.
bool answering();

}  // namespace clipferry::keyring
