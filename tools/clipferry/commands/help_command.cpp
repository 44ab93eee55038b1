// `clipferry help [COMMAND]`, read from the parser's own description of the command.
#include "commands/help_command.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace clipferry::cli {

namespace {
constexpr size_t kNarrowestDescription = 24;  // below this the description starts a line of its own

void appendWrapped(const std::string& line, size_t limit, std::string& out) {
    const size_t lead = line.find_first_not_of(' ');
    // The description column: the first word after a run of two blanks.
    const size_t gap = line.find("  ", lead);
    const size_t hang = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
    std::string current;  // the line being filled
    std::string indent;   // of each line after the first
    size_t at = 0;        // where the words to wrap begin
    if (hang == std::string::npos) {  // plain text, under its own indentation
        current = indent = line.substr(0, lead);
        at = lead;
    } else if (hang + kNarrowestDescription > limit) {  // the name alone, the words below it
        out += line.substr(0, gap) + "\n";
        current = indent = std::string(lead + 4, ' ');
        at = hang;
    } else {
        current = line.substr(0, hang);
        indent.assign(hang, ' ');
        at = hang;
    }
    bool empty = true;  // no word on `current` yet
    while (at < line.size()) {
        size_t end = line.find(' ', at);
        if (end == std::string::npos) end = line.size();
        const std::string word = line.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        if (!empty && current.size() + 1 + word.size() > limit) {
            out += current + "\n";
            // A word too long for the description column starts further left.
            current = indent.substr(0, std::min(indent.size(), limit - std::min(limit, word.size())));
            empty = true;
        }
        current += (empty ? "" : " ") + word;
        empty = false;
    }
    out += current + "\n";
}
}  // namespace

std::string wrapHelp(const std::string& text, int width) {
    if (width <= 0) return text;
    const size_t limit = static_cast<size_t>(std::max(width - 1, 20));
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool newline = end != std::string::npos;
        if (!newline) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.size() <= limit || line.find_first_not_of(' ') == std::string::npos) {
            out += line + (newline ? "\n" : "");
        } else {
            appendWrapped(line, limit, out);
        }
        start = end + 1;
    }
    return out;
}

int helpWidth(int fd) {
    struct winsize size {};
    return isatty(fd) == 1 && ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

CLI::App* addHelpCommand(CLI::App& app, std::string& topic) {
    CLI::App* help = app.add_subcommand("help", "Show the help of the command or of one COMMAND");
    help->add_option("COMMAND", topic, "The command to show the help of")->type_name("");
    return help;
}

bool showHelp(const CLI::App& app, const std::string& topic, std::ostream& out, int width) {
    if (topic.empty()) {
        // Not app.help(): once `help` was parsed, CLI11 gives the help of the
        // subcommand it selected rather than the whole command's.
        out << wrapHelp(app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal),
                        width);
        return true;
    }
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_name() == topic) {
            out << wrapHelp(sub->help(app.get_name()), width);
            return true;
        }
    }
    return false;
}

}  // namespace clipferry::cli
