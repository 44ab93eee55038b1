// The login: where the password comes from, its tries, and what a refusal means.
#include "commands/login/login.h"

#include "app/failure.h"
#include "app/password.h"
#include "app/retrying.h"
#include "service/answer_files.h"

namespace clipferry::cli {

namespace {
// How many times a password typed at the prompt is asked for.
constexpr int kPasswordTries = 3;

enum class Source { StandardInput, Environment, Remembered, Typed };

struct GivenPassword {
    Secret password;
    Source source;
};

GivenPassword obtainPasswordFor(Context& context) {
    Io& io = context.io;
    if (context.options.passwordFromStdin) {
        io.passwordFrom("the password given on standard input (--password-stdin)");
        return {readPasswordLine(io.in()), Source::StandardInput};
    }
    if (auto fromEnvironment = context.environment(kPasswordVariable)) {
        return {Secret::takeFrom(*fromEnvironment), Source::Environment};
    }
    if (auto remembered = context.passwords.remembered(context.user())) {
        io.passwordFrom("the password remembered in the keyring (clipferry logout forgets it)");
        return {std::move(*remembered), Source::Remembered};
    }
    io.passwordFrom("the password typed at the prompt");
    return {context.passwords.typed(context.user()), Source::Typed};
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

LoggedIn logIn(Context& context, const LoginFailed& failed, Offer offer) {
    Io& io = context.io;
    const std::string& user = context.user();
    LoggedIn login;
    GivenPassword given = obtainPasswordFor(context);
    const auto emptyPassword = [&] {
        login.exitStatus = fail(io, exit_status::badArgument, "bad argument: the password is empty");
        return std::move(login);
    };
    if (given.password.empty()) return emptyPassword();
    describeSetting(io);
    std::unique_ptr<Service> service = context.makeService();
    io.step("logging in as " + user + " at " + kApiHost);
    auto tryLogin = [&] {
        return withRetry(context, Operation::Login, [&] { return service->login(user, given.password); });
    };
    int32_t result = tryLogin();
    // Refused by Lumivid itself, not by something answering in its place.
    const auto wrongPassword = [&] {
        return exitStatusFor(result) == exit_status::refused && service->answersAsLumivid().value_or(false);
    };
    // A remembered password that no longer works is said, and one is asked
    // for at the terminal; without a terminal the refusal ends the command.
    const bool keptRefused = given.source == Source::Remembered && wrongPassword();
    if (keptRefused) {
        io.err() << "clipferry: login refused: the password remembered in the keyring for " << user
                 << " is wrong (clipferry login --remember replaces it, clipferry logout forgets it)\n";
        try {
            given = {context.passwords.typed(user), Source::Typed};
            io.passwordFrom("the password typed at the prompt");
            if (given.password.empty()) return emptyPassword();
            result = tryLogin();
        } catch (const NoTerminal&) {
            // Said below as the refusal it is.
        }
    }
    // A password typed at the prompt may be mistyped: asked again, as a
    // terminal login does, while Lumivid itself says it is wrong.
    for (int typedTimes = 1; given.source == Source::Typed && typedTimes < kPasswordTries && wrongPassword();
         ++typedTimes) {
        io.err() << "clipferry: login refused: wrong user name or password; try again ("
                 << typedTimes + 1 << " of " << kPasswordTries << ")\n";
        given.password = context.passwords.typed(user);
        if (given.password.empty()) return emptyPassword();
        result = tryLogin();
    }
    if (result != 0) {
        login.exitStatus =
            failed ? failed(explain(Operation::Login, result, io.circumstances(Operation::Login)).text)
                   : loginFailed(io, *service, result);
        return login;
    }
    io.step("logged in");
    const bool offered = offer != Offer::AfterRefusal;
    if (offered || keptRefused) login.kept = context.passwords.keep(user, given.password, offer == Offer::Store);
    // The login command says it with its own answer.
    if (!offered && login.kept == Kept::Stored) {
        io.err() << "clipferry: the password for " << user << " is remembered in the keyring; "
                 << "clipferry logout forgets it\n";
    }
    login.service = std::move(service);
    return login;
}

int logInAndAsk(Context& context, Operation operation, const std::function<int32_t(Service& service)>& ask) {
    LoggedIn login = logIn(context);
    if (!login.service) return login.exitStatus;
    const int32_t result = ask(*login.service);
    if (result == 0) return exit_status::ok;
    return fail(context.io, operation, result, context.io.circumstances(operation));
}

void addLoginOptions(CLI::App& login, LoginOptions& options) {
    login.add_flag("--remember", options.remember,
                   "Keep the password in the desktop's keyring without asking");
}

int loginCommand(Context& context, const LoginOptions& options) {
    LoggedIn login = logIn(context, {}, options.remember ? Offer::Store : Offer::Ask);
    if (!login.service) return login.exitStatus;
    const Io& io = context.io;
    const std::string& user = context.user();
    const bool kept = login.kept == Kept::Stored || login.kept == Kept::AlreadyStored;
    if (io.json()) {
        // The library tells its host nothing more about the account.
        io.document({{"ok", true}, {"user", user}, {"contact", {{"user", user}}}, {"remembered", kept}});
    } else {
        io.out() << "logged in as " << user
                 << (kept ? "; the password is now kept in the keyring (clipferry logout forgets it)" : "") << "\n";
    }
    // Asked to remember and not remembered is not success; a mere offer that
    // failed was said and is.
    return options.remember && login.kept == Kept::Failed ? exit_status::notRemembered : exit_status::ok;
}

}  // namespace clipferry::cli
