// Logging in, which every command that asks the service begins with: the
// password from where it was given, tried again while a typed one is refused,
// a refused remembered one said and replaced by a typed one when the user
// agrees, and a refused login said as what it was.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
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

// Which accepted password is offered to the keyring.
enum class Offer {
    AfterRefusal,  // only one typed after the remembered one was refused
    Ask,           // any (the login command): asked at the terminal
    Store,         // any, stored without asking (login --remember)
};

LoggedIn logIn(Context& context, const LoginFailed& failed = {}, Offer offer = Offer::AfterRefusal);

// Logs in and asks the service, a failed answer said as `operation`'s: the
// one sequence of every command that asks for something and prints it.
// `ask` gives the library's result. Gives the exit status.
int logInAndAsk(Context& context, Operation operation, const std::function<int32_t(Service& service)>& ask);

// login's own options.
struct LoginOptions {
    bool remember = false;  // keep the password in the keyring without asking
};
void addLoginOptions(CLI::App& login, LoginOptions& options);

// `clipferry login`.
int loginCommand(Context& context, const LoginOptions& options);

}  // namespace clipferry::cli
