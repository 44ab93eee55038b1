// The table of commands: one row each. A new command is a folder of its own
// (commands/<name>/) and a row here; help and completion, which read the
// parser itself, are the root's (commands/root.cpp).
#include "commands/commands.h"

#include "commands/categories/categories.h"
#include "commands/config/config_command.h"
#include "commands/file_types/file_types.h"
#include "commands/history/history_command.h"
#include "commands/login/login.h"
#include "commands/logout/logout.h"
#include "commands/moderators/moderators.h"
#include "commands/upload/upload_command.h"
#include "commands/upload/upload_options.h"

namespace clipferry::cli {

const std::vector<CommandEntry>& commandTable() {
    constexpr bool logsIn = true;
    static const std::vector<CommandEntry> table = {
        command<LoginOptions>("login", "Log in and report whether it worked", logsIn, addLoginOptions,
                              loginCommand),
        command("logout", "Forget the password kept in the keyring; needs no login", !logsIn, logoutCommand),
        command("file-types", "List the accepted file types", logsIn, fileTypesCommand),
        command<CategoriesOptions>("categories", "List categories as a tree", logsIn, addCategoriesOptions,
                                   categoriesCommand),
        command("moderators", "List the moderators you may choose", logsIn, moderatorsCommand),
        command<UploadFlags>("upload", "Publish media files, one after the other", logsIn, addUploadOptions,
                             uploadCommand),
        command("config", "Show each setting, its value and where it came from; needs no login", !logsIn,
                configCommand),
        command("history",
                "List the ledger: what the service accepted or may have received; needs no login", !logsIn,
                historyCommand),
    };
    return table;
}

}  // namespace clipferry::cli
