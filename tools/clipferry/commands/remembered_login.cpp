// The remembered login over keyring.h, with the command's words and its
// terminal question; a build without libsecret has no keyring to offer.
#include "commands/remembered_login.h"

#include <fcntl.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#if defined(CLIPFERRY_CLI_KEYRING)
#include "store/keyring.h"
#endif

namespace clipferry::cli {

namespace {

#if defined(CLIPFERRY_CLI_KEYRING)
const std::string kService = CLIPFERRY_KEYRING_SERVICE;
#endif

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

}  // namespace

#if defined(CLIPFERRY_CLI_KEYRING)

std::optional<std::string> rememberedPassword(const std::string& user) {
    std::string error;
    if (auto login = keyring::find(kService, user, error)) return login->password;
    return std::nullopt;
}

void offerToRemember(const std::string& user, const std::string& password, bool remember, std::ostream& err) {
    std::string error;
    const auto stored = keyring::find(kService, user, error);
    if (stored && stored->password == password) return;  // it came from there
    // Nothing is offered that cannot be done (no bus, no keyring); asked for, it is said.
    if (!remember && !error.empty()) return;
    if (!remember && !askAtTerminal("Remember the password for " + user + " in the keyring?")) return;
    if (keyring::store(kService, {user, password}, error)) {
        err << "clipferry: the password for " << user << " is remembered in the keyring; "
            << "clipferry logout forgets it\n";
    } else {
        err << "clipferry: the password could not be remembered: " << error << "\n";
    }
}

int forgetLogin(const std::string& user, bool json, std::ostream& out, std::ostream& err) {
    std::string error;
    const bool wasStored = keyring::find(kService, user, error).has_value();
    if (!error.empty() || !keyring::forget(kService, user, error)) {
        if (json) out << nlohmann::json{{"ok", false}, {"user", user}, {"error", error}}.dump() << "\n";
        err << "clipferry: logout: the keyring cannot be reached: " << error << "\n";
        return 1;
    }
    if (json) {
        out << nlohmann::json{{"ok", true}, {"user", user}, {"forgotten", wasStored}}.dump() << "\n";
    } else {
        out << (wasStored ? "the password for " + user + " is no longer remembered"
                          : "no password was remembered for " + user)
            << "\n";
    }
    return 0;
}

RememberedState rememberedState(const std::string& user) {
    std::string error;
    if (keyring::find(kService, user, error)) return {true, "stored in the keyring for " + user};
    if (!error.empty()) return {false, "no keyring: " + error};
    return {false, "none stored for " + user + " (clipferry login --remember stores it)"};
}

#else

std::optional<std::string> rememberedPassword(const std::string&) { return std::nullopt; }

void offerToRemember(const std::string&, const std::string&, bool remember, std::ostream& err) {
    if (remember) err << "clipferry: the password could not be remembered: this build has no keyring\n";
}

int forgetLogin(const std::string& user, bool json, std::ostream& out, std::ostream& err) {
    if (json) out << nlohmann::json{{"ok", false}, {"user", user}, {"error", "no keyring"}}.dump() << "\n";
    err << "clipferry: logout: this build has no keyring\n";
    return 1;
}

RememberedState rememberedState(const std::string&) { return {false, "no keyring in this build"}; }

#endif

}  // namespace clipferry::cli
