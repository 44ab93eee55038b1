// logout: the keyring asked to forget the user's password, and what came of it said.
#include "commands/logout/logout.h"

#include "app/failure.h"
#include "commands/login/remembered_login.h"

namespace clipferry::cli {

int logoutCommand(Context& context) {
    const Io& io = context.io;
    const std::string& user = context.user();
    const Forgotten forgotten = forgetRemembered(user, io);
    if (!forgotten.done) {
        const Failure failure{exit_status::failure, "", std::nullopt, "logout: " + forgotten.why, {}};
        io.err() << "clipferry: " << failure.text << "\n";
        if (io.json()) {
            nlohmann::ordered_json document = failureJson(failure);
            document["user"] = user;
            io.document(document);
        }
        return failure.exitStatus;
    }
    if (io.json()) {
        io.document({{"ok", true}, {"user", user}, {"forgotten", forgotten.wasStored}});
    } else {
        io.out() << (forgotten.wasStored ? "the password for " + user + " is no longer remembered"
                                         : "no password was remembered for " + user)
                 << "\n";
    }
    return exit_status::ok;
}

}  // namespace clipferry::cli
