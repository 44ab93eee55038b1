// The remembered login over keyring.h, with the command's words and its
// terminal question; a build without libsecret has no keyring to offer.
#include "commands/remembered_login.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include <nlohmann/json.hpp>

#include "progress/waiting_line.h"

#if defined(CLIPFERRY_CLI_KEYRING)
#include "store/keyring.h"
#endif

namespace clipferry::cli {

#if defined(CLIPFERRY_CLI_KEYRING)

namespace {

// "y" or "yes" at the terminal; anything else, or no terminal, is no.
bool askAtTerminal(const std::string& question) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return false;
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0) return false;
    const std::string prompt = question + " [y/N] ";
    bool yes = ::write(terminal, prompt.data(), prompt.size()) == static_cast<ssize_t>(prompt.size());
    std::string answer;
    char c;
    while (yes && ::read(terminal, &c, 1) == 1 && c != '\n') answer += c;
    ::close(terminal);
    return yes && (answer == "y" || answer == "Y" || answer == "yes");
}

const std::string kService = CLIPFERRY_KEYRING_SERVICE;

// A keyring call with the waiting line shown on a terminal after a moment,
// so a slow keyring is not a blank screen.
template <typename Call>
auto withWaitingLine(const Io& io, Call call) {
    WaitingLine waiting(io.err(), io.showWaiting(), "the keyring", std::chrono::seconds(1));
    return call();
}

}  // namespace

std::optional<Secret> rememberedPassword(const std::string& user, const Io& io) {
    std::string error;
    auto login = withWaitingLine(io, [&] { return keyring::find(kService, user, error); });
    if (login) return std::move(login->password);
    if (!keyring::answering()) {
        io.err() << "clipferry: " << error << "; going on without the password remembered there\n";
    }
    return std::nullopt;
}

void offerToRemember(const std::string& user, const Secret& password, bool remember, const Io& io) {
    std::string error;
    const auto stored = withWaitingLine(io, [&] { return keyring::find(kService, user, error); });
    if (stored && stored->password == password) return;  // it came from there
    // Nothing is offered that cannot be done (no bus, no keyring); asked for, it is said.
    if (!remember && !error.empty()) return;
    if (!remember && !askAtTerminal(stored ? "Replace the password remembered in the keyring for " + user +
                                                 " with this one?"
                                           : "Remember the password for " + user + " in the keyring?")) {
        return;
    }
    // A keyring that did not answer the look-up is not waited on again.
    if (!keyring::answering() ||
        !withWaitingLine(io, [&] { return keyring::store(kService, user, password, error); })) {
        io.err() << "clipferry: the password could not be remembered: " << error << "\n";
        return;
    }
    io.err() << "clipferry: the password for " << user << " is remembered in the keyring; "
             << "clipferry logout forgets it\n";
}

int forgetLogin(const std::string& user, const Io& io) {
    std::string error;
    const bool wasStored = withWaitingLine(io, [&] { return keyring::find(kService, user, error).has_value(); });
    if (!error.empty() || !withWaitingLine(io, [&] { return keyring::forget(kService, user, error); })) {
        if (io.json()) io.out() << nlohmann::json{{"ok", false}, {"user", user}, {"error", error}}.dump() << "\n";
        io.err() << "clipferry: logout: the keyring cannot be reached: " << error << "\n";
        return 1;
    }
    if (io.json()) {
        io.out() << nlohmann::json{{"ok", true}, {"user", user}, {"forgotten", wasStored}}.dump() << "\n";
    } else {
        io.out() << (wasStored ? "the password for " + user + " is no longer remembered"
                               : "no password was remembered for " + user)
                 << "\n";
    }
    return 0;
}

RememberedState rememberedState(const std::string& user, const Io& io) {
    std::string error;
    if (withWaitingLine(io, [&] { return keyring::find(kService, user, error).has_value(); })) {
        return {true, "stored in the keyring for " + user};
    }
    if (!error.empty()) return {false, "no keyring: " + error};
    return {false, "none stored for " + user + " (clipferry login --remember stores it)"};
}

#else

std::optional<Secret> rememberedPassword(const std::string&, const Io&) { return std::nullopt; }

void offerToRemember(const std::string&, const Secret&, bool remember, const Io& io) {
    if (remember) io.err() << "clipferry: the password could not be remembered: this build has no keyring\n";
}

int forgetLogin(const std::string& user, const Io& io) {
    if (io.json()) io.out() << nlohmann::json{{"ok", false}, {"user", user}, {"error", "no keyring"}}.dump() << "\n";
    io.err() << "clipferry: logout: this build has no keyring\n";
    return 1;
}

RememberedState rememberedState(const std::string&, const Io&) { return {false, "no keyring in this build"}; }

#endif

}  // namespace clipferry::cli
