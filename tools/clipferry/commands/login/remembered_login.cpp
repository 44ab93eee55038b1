// The remembered login over keyring.h, with the command's words and its
// terminal question; a build without libsecret has no keyring to offer.
#include "commands/login/remembered_login.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "progress/waiting_line.h"

#if defined(CLIPFERRY_CLI_KEYRING)
#include <clipferry-common/keyring.h>
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
    } else if (error.empty() &&
               withWaitingLine(io, [&] { return keyring::held(kService, user, error); }) == keyring::Held::Locked) {
        // Found but not given: the keyring stayed locked (no one to answer its unlock prompt).
        io.err() << "clipferry: the password remembered for " << user
                 << " is in a locked keyring, so it is asked for instead (unlock the keyring to use it)\n";
    }
    return std::nullopt;
}

Kept offerToRemember(const std::string& user, const Secret& password, bool remember, const Io& io) {
    std::string error;
    const auto stored = withWaitingLine(io, [&] { return keyring::find(kService, user, error); });
    if (stored && stored->password == password) return Kept::AlreadyStored;  // it came from there
    // Nothing is offered that cannot be done (no bus, no keyring); asked for, it is said.
    if (!remember && !error.empty()) return Kept::NotOffered;
    if (!remember && !askAtTerminal(stored ? "Replace the password remembered in the keyring for " + user +
                                                 " with this one?"
                                           : "Remember the password for " + user + " in the keyring?")) {
        return Kept::Declined;
    }
    // A keyring that did not answer the look-up is not waited on again.
    if (!keyring::answering() ||
        !withWaitingLine(io, [&] { return keyring::store(kService, user, password, error); })) {
        io.err() << "clipferry: the password could not be remembered: " << error << "\n";
        return Kept::Failed;
    }
    return Kept::Stored;
}

Forgotten forgetRemembered(const std::string& user, const Io& io) {
    std::string error;
    const keyring::Held held = withWaitingLine(io, [&] { return keyring::held(kService, user, error); });
    // A locked entry would stay where it is while the keyring says nothing.
    if (held == keyring::Held::Locked) {
        return {false, false, "the password kept for " + user + " stays: the keyring is locked: unlock it and try again"};
    }
    if (!error.empty() || !withWaitingLine(io, [&] { return keyring::forget(kService, user, error); })) {
        return {false, false, "the keyring cannot be reached: " + error};
    }
    return {true, held == keyring::Held::Unlocked, ""};
}

RememberedState rememberedState(const std::string& user, const Io& io) {
    std::string error;
    switch (withWaitingLine(io, [&] { return keyring::held(kService, user, error); })) {
    case keyring::Held::Unlocked: return {RememberedState::Is::Stored, ""};
    case keyring::Held::Locked: return {RememberedState::Is::Locked, ""};
    case keyring::Held::None: return {RememberedState::Is::None, ""};
    case keyring::Held::Unknown: break;
    }
    return {RememberedState::Is::Unreachable, error};
}

#else

std::optional<Secret> rememberedPassword(const std::string&, const Io&) { return std::nullopt; }

Kept offerToRemember(const std::string&, const Secret&, bool remember, const Io& io) {
    if (!remember) return Kept::NotOffered;
    io.err() << "clipferry: the password could not be remembered: this build has no keyring\n";
    return Kept::Failed;
}

Forgotten forgetRemembered(const std::string&, const Io&) { return {false, false, "this build has no keyring"}; }

RememberedState rememberedState(const std::string&, const Io&) {
    return {RememberedState::Is::Unreachable, "this build has no keyring"};
}

#endif

}  // namespace clipferry::cli
