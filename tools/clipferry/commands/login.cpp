// The login: where the password comes from, its tries, and what a refusal means.
#include "commands/login.h"

#include "app/failure.h"
#include "app/password.h"
#include "app/retrying.h"
#include "commands/remembered_login.h"
#include "service/answer_files.h"

namespace clipferry::cli {

namespace {
// How many times a password typed at the prompt is asked for.
constexpr int kPasswordTries = 3;

bool passwordInEnvironment(const Context& context) {
    return context.environment(kPasswordVariable).has_value();
}

std::string obtainPasswordFor(Context& context) {
    Io& io = context.io;
    if (context.options.passwordFromStdin) {
        io.passwordFrom("the password given on standard input (--password-stdin)");
        return readPasswordLine(io.in());
    }
    if (auto fromEnvironment = context.environment(kPasswordVariable)) return *fromEnvironment;
    if (auto remembered = context.passwords.remembered(context.user())) {
        io.passwordFrom("the password remembered in the keyring (clipferry logout forgets it)");
        return *remembered;
    }
    io.passwordFrom("the password typed at the prompt");
    return context.passwords.typed(context.user());
}

// A refused login, said as what it was: a refusal Lumivid sent, or an answer
// from something that is not Lumivid (a wrong proxy), which the library
// cannot tell apart.
int loginFailed(const Io& io, Service& service, int32_t result) {
    Circumstances circumstances = io.circumstances(Operation::Login);
    if (exitStatusFor(result) == exit_status::refused) {
        const std::optional<bool> lumivid = service.answersAsLumivid();
        if (lumivid) {
            circumstances.loginAnswer = *lumivid ? Circumstances::LoginAnswer::Lumivid
                                                 : Circumstances::LoginAnswer::NotLumivid;
        }
        if (keepsAnswers()) circumstances.dumpFile = dumpDirectory() + kLoginAnswerFile;
    }
    return fail(io, Operation::Login, result, circumstances);
}

void describeSetting(const Io& io) {
    const std::string& proxy = io.proxy();
    io.step(proxy.empty() ? std::string("no proxy (--proxy, CLIPFERRY_PROXY_SERVER and "
                                        "config.toml name none): straight to ") + kApiHost
                          : "proxy " + proxy + " (" + io.proxySource() + ")");
    if (keepsAnswers()) {
        io.step(std::string(kLogVariable) + "=" + kKeepAnswers + ": each answer is kept in " +
                dumpDirectory() + kAnswerFiles + ", and libcurl traces to standard error");
    }
}
}  // namespace

LoggedIn logIn(Context& context, const LoginFailed& failed) {
    Io& io = context.io;
    const std::string& user = context.user();
    LoggedIn session;
    session.password = obtainPasswordFor(context);
    if (session.password.empty()) {
        session.exitStatus = fail(io, exit_status::badArgument, "bad argument: the password is empty");
        return session;
    }
    describeSetting(io);
    std::unique_ptr<Service> service = context.makeService();
    io.step("logging in as " + user + " at " + kApiHost);
    auto tryLogin = [&] {
        return withRetry(context, Operation::Login, [&] { return service->login(user, session.password); });
    };
    int32_t result = tryLogin();
    // A password typed at the prompt may be mistyped: asked again, as a
    // terminal login does, while Lumivid itself says it is wrong.
    const bool typed = !context.options.passwordFromStdin && !passwordInEnvironment(context);
    for (int typedTimes = 1; typed && typedTimes < kPasswordTries &&
                             exitStatusFor(result) == exit_status::refused &&
                             service->answersAsLumivid().value_or(false);
         ++typedTimes) {
        io.err() << "clipferry: login refused: wrong user name or password; try again ("
                 << typedTimes + 1 << " of " << kPasswordTries << ")\n";
        session.password = context.passwords.typed(user);
        if (session.password.empty()) {
            session.exitStatus = fail(io, exit_status::badArgument, "bad argument: the password is empty");
            return session;
        }
        result = tryLogin();
    }
    if (result != 0) {
        session.exitStatus =
            failed ? failed(explain(Operation::Login, result, io.circumstances(Operation::Login)).text)
                   : loginFailed(io, *service, result);
        return session;
    }
    io.step("logged in");
    session.service = std::move(service);
    return session;
}

void addLoginOptions(CLI::App& login, Options& options) {
    login.add_flag("--remember", options.remember,
                   "Keep the password in the desktop's keyring without asking");
}

int loginCommand(Context& context) {
    LoggedIn session = logIn(context);
    if (!session.service) return session.exitStatus;
    const Io& io = context.io;
    const std::string& user = context.user();
    offerToRemember(user, session.password, context.options.remember, io.err());
    if (io.json()) {
        // The library tells its host nothing more about the account.
        io.document({{"ok", true}, {"user", user}, {"contact", {{"user", user}}}});
    } else {
        io.out() << "logged in as " << user << "\n";
    }
    return exit_status::ok;
}

}  // namespace clipferry::cli
