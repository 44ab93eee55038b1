// moderators: log in, ask for the list, print it.
#include "commands/moderators/moderators.h"

#include "app/retrying.h"
#include "commands/login/login.h"
#include "text/text.h"

namespace clipferry::cli {

int moderatorsCommand(Context& context) {
    const Io& io = context.io;
    std::vector<Moderator> moderators;
    const int status = logInAndAsk(context, Operation::Moderators, [&](Service& service) {
        io.step("asking for the moderators");
        return withRetry(context, Operation::Moderators, [&] { return service.moderators(moderators); });
    });
    if (status != exit_status::ok) return status;
    if (io.json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Moderator& m : moderators) {
            list.push_back({{"id", m.id}, {"first", m.firstName}, {"last", m.lastName}});
        }
        io.document({{"ok", true}, {"moderators", std::move(list)}});
        return exit_status::ok;
    }
    for (const Moderator& moderator : moderators) {
        io.out() << moderator.id << " " << visible(moderator.firstName) << " "
                 << visible(moderator.lastName) << "\n";
    }
    return exit_status::ok;
}

}  // namespace clipferry::cli
