// The command's remembered login: the password kept in the desktop's keyring
// after `clipferry login` (asked, or --remember), used by later commands,
// replaced when it was refused and a typed one worked, removed by
// `clipferry logout`, reported by `clipferry config`. A keyring that does not
// answer is waited on a few seconds at most, said, and done without.
#pragma once

#include <optional>
#include <string>

#include "app/io.h"
#include "text/secret.h"

namespace clipferry::cli {

// The password stored for `user`; nothing when none is, or there is no
// keyring. A keyring that did not answer is said on standard error.
std::optional<Secret> rememberedPassword(const std::string& user, const Io& io);

// After an accepted login: stores the password when `remember`, else asks at
// the terminal when there is one (never in a script): to remember it, or,
// when another one is stored, to replace that. Says what was done; a keyring
// that cannot be had is said when storing was asked for, and nothing is stored.
void offerToRemember(const std::string& user, const Secret& password, bool remember, const Io& io);

// `clipferry logout`: removes the stored password. Returns the exit status.
int forgetLogin(const std::string& user, const Io& io);

// For `clipferry config`: whether a password is stored (never the password).
struct RememberedState {
    bool stored = false;
    std::string text;  // "stored in the keyring for demo", "none stored...", "no keyring: ..."
};
RememberedState rememberedState(const std::string& user, const Io& io);

}  // namespace clipferry::cli
