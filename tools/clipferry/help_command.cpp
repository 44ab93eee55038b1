// `clipferry help [COMMAND]`, read from the parser's own description of the command.
#include "help_command.h"

namespace clipferry::cli {

bool showHelp(const CLI::App& app, const std::string& topic, std::ostream& out) {
    if (topic.empty()) {
        // Not app.help(): once `help` was parsed, CLI11 gives the help of the
        // subcommand it selected rather than the whole command's.
        out << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
        return true;
    }
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_name() == topic) {
            out << sub->help(app.get_name());
            return true;
        }
    }
    return false;
}

}  // namespace clipferry::cli
