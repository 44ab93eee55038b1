// The command's remembered login: the password kept in the desktop's keyring
// after `clipferry login` (asked, or --remember), used by later commands,
// removed by `clipferry logout`, reported by `clipferry config`.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace clipferry::cli {

// The password stored for `user`; nothing when none is, or there is no keyring.
std::optional<std::string> rememberedPassword(const std::string& user);

// After an accepted login: stores the password when `remember`, else asks at
// the terminal when there is one (never in a script). Says on `err` what was
// done; a keyring that cannot be had is said, and nothing is stored.
void offerToRemember(const std::string& user, const std::string& password, bool remember, std::ostream& err);

// `clipferry logout`: removes the stored password. Returns the exit status.
int forgetLogin(const std::string& user, bool json, std::ostream& out, std::ostream& err);

// For `clipferry config`: whether a password is stored (never the password).
struct RememberedState {
    bool stored = false;
    std::string text;  // "stored in the keyring for demo", "none stored...", "no keyring: ..."
};
RememberedState rememberedState(const std::string& user);

}  // namespace clipferry::cli
