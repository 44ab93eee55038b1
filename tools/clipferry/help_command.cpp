// `clipferry help [COMMAND]`, read from the parser's own description of the command.
#include "help_command.h"

namespace clipferry::cli {

bool showHelp(const CLI::App& app, const std::string& topic, std::ostream& out) {
    if (topic.empty()) {
        out << app.help();
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
