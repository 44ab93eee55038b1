// Shows the settings as runCommand resolved them; asks nothing of the service.
#include "commands/config_command.h"

#include <set>

#include "app/json_output.h"
#include "commands/remembered_login.h"
#include "store/terms_note.h"

namespace clipferry::cli {

int configCommand(const Context& context) {
    const Io& io = context.io;
    const RememberedState remembered = rememberedState(context.user(), io);
    if (!io.json()) {
        io.out() << renderSettings(context.settings);
        io.out() << "remembered  " << remembered.text << "\n";
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
    document["password_remembered"] = remembered.stored;
    io.document(document);
    return exit_status::ok;
}

}  // namespace clipferry::cli
