// Logging in, which every command that asks the service begins with: the
// password from where it was given, tried again while a typed one is refused,
// a refused remembered one said and replaced by a typed one when the user
// agrees, and a refused login said as what it was.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>

#include "app/context.h"
#include "service/service.h"

namespace clipferry::cli {

// The password is not kept past the login: wiped when logIn returns.
struct LoggedIn {
    std::unique_ptr<Service> service;  // empty when the login failed
    int exitStatus = 0;                // the failure's, when it failed
    Kept kept = Kept::NotOffered;      // what became of the password offered to the keyring
};

// Called instead of the usual failure when the login fails, with its text;
// gives the exit status. The upload names its files' problems there.
using LoginFailed = std::function<int(const std::string& why)>;

// With `offerToKeep` (the login command), an accepted password is offered to
// the keyring; otherwise only one typed after the remembered one was refused.
LoggedIn logIn(Context& context, const LoginFailed& failed = {}, bool offerToKeep = false);

// login's own options: --remember.
void addLoginOptions(CLI::App& login, Options& options);

// `clipferry login`.
int loginCommand(Context& context);

}  // namespace clipferry::cli
