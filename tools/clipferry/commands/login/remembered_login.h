// The command's remembered login: the password kept in the desktop's keyring
// after `clipferry login` (asked, or --remember), used by later commands,
// replaced when it was refused and a typed one worked, removed by
// `clipferry logout`, reported by `clipferry config`. A keyring that does not
// answer is waited on a few seconds at most, said, and done without.
#pragma once

#include <optional>
#include <string>

#include <clipferry-common/secret.h>

#include "app/context.h"
#include "app/io.h"

namespace clipferry::cli {

// The password stored for `user`; nothing when none is, or there is no
// keyring. A keyring that did not answer, or one that holds it locked, is
// said on standard error.
std::optional<Secret> rememberedPassword(const std::string& user, const Io& io);

// After an accepted login: stores the password when `remember`, else asks at
// the terminal when there is one (never in a script): to remember it, or,
// when another one is stored, to replace that. A keyring that cannot be had
// is said when storing was asked for, and nothing is stored; what was done is
// for the caller to say.
Kept offerToRemember(const std::string& user, const Secret& password, bool remember, const Io& io);

// What removing the stored password came to, for `clipferry logout` to say.
struct Forgotten {
    bool done = false;       // nothing is kept for the user now
    bool wasStored = false;  // done: there was a password to remove
    std::string why;         // not done: why, in the command's words
};
Forgotten forgetRemembered(const std::string& user, const Io& io);

// For `clipferry config`: whether a password is stored (never the password),
// found without unlocking the keyring.
struct RememberedState {
    enum class Is { Stored, Locked, None, Unreachable } is = Is::Unreachable;
    std::string why;  // Unreachable: why the keyring cannot be had
};
RememberedState rememberedState(const std::string& user, const Io& io);

}  // namespace clipferry::cli
