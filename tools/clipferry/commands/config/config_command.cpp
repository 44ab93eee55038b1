// Shows the settings as runCommand resolved them; asks nothing of the service.
#include "commands/config/config_command.h"

#include <set>

#include "app/json_output.h"
#include "app/password.h"
#include "commands/login/remembered_login.h"
#include "store/terms_note.h"

namespace clipferry::cli {

namespace {

// Where the next command's password will come from, in the order logIn
// looks: standard input when asked, the environment, the keyring, the terminal.
struct PasswordSource {
    const char* from;  // for --json: "stdin", "environment", "keyring", "terminal", "none"
    std::string text;
};

PasswordSource passwordSource(const Context& context, const RememberedState& remembered) {
    using Is = RememberedState::Is;
    const std::string& user = context.user();
    if (context.options.passwordFromStdin) return {"stdin", "from standard input (--password-stdin)"};
    if (context.settings.passwordSet) {
        return {"environment", std::string("from ") + kPasswordVariable +
                                   (remembered.is == Is::Stored ? " (the one in the keyring is not used)" : "")};
    }
    if (remembered.is == Is::Stored) {
        return {"keyring", "from the keyring, where it is kept for " + user + " (clipferry logout forgets it)"};
    }
    std::string why = std::string(kPasswordVariable) + " is not set and ";
    switch (remembered.is) {
    case Is::Locked: why += "the keyring holding the one kept for " + user + " is locked"; break;
    case Is::None: why += "none is kept in the keyring for " + user + " (clipferry login --remember keeps it)"; break;
    default: why += "no keyring: " + remembered.why; break;
    }
    if (terminalToAsk()) return {"terminal", "asked at the terminal: " + why};
    return {"none", "no terminal to ask at, so the command will fail: " + why};
}

const char* keyringJson(RememberedState::Is is) {
    switch (is) {
    case RememberedState::Is::Stored: return "stored";
    case RememberedState::Is::Locked: return "locked";
    case RememberedState::Is::None: return "none";
    case RememberedState::Is::Unreachable: break;
    }
    return "unreachable";
}

}  // namespace

int configCommand(Context& context) {
    const Io& io = context.io;
    const RememberedState remembered = rememberedState(context.user(), io);
    const PasswordSource password = passwordSource(context, remembered);
    if (!io.json()) {
        io.out() << renderSettings(context.settings, password.text);
        return exit_status::ok;
    }
    ConfigFile told = context.config;  // the users told of the terms: 1.0's file and the note
    try {
        if (auto note = termsNotePath(context.environment)) {
            const std::set<std::string> noted = termsNotedUsers(*note);
            told.termsAccepted.insert(noted.begin(), noted.end());
        }
    } catch (const TermsNoteError&) {
        // Said by the upload that would write it; the settings are the point here.
    }
    nlohmann::ordered_json document = settingsJson(context.settings, told);
    const bool stored = remembered.is == RememberedState::Is::Stored || remembered.is == RememberedState::Is::Locked;
    document["password_remembered"] = stored;
    document["keyring"] = keyringJson(remembered.is);
    if (remembered.is == RememberedState::Is::Unreachable) document["keyring_error"] = remembered.why;
    document["password_from"] = password.from;
    document["password_source"] = password.text;
    io.document(document);
    return exit_status::ok;
}

}  // namespace clipferry::cli
