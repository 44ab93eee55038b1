// Retelling the parser's errors, and the suggestion for a mistyped command.
#include "app/usage_errors.h"

#include <algorithm>
#include <iterator>
#include <sstream>
#include <vector>

#include "app/option_table.h"

namespace clipferry::cli {

std::string likelyCommand(const CLI::App& app, const std::string& word) {
    std::string best;
    size_t bestDistance = 3;
    const std::vector<std::string> commands = commandNames(app);
    for (const std::string& command : commands) {  // a command's first letters
        if (word.size() >= 3 && command.rfind(word, 0) == 0) return command;
    }
    for (const std::string& name : commands) {
        std::vector<std::vector<size_t>> d(word.size() + 1, std::vector<size_t>(name.size() + 1));
        for (size_t i = 0; i <= word.size(); ++i) d[i][0] = i;
        for (size_t j = 0; j <= name.size(); ++j) d[0][j] = j;
        for (size_t i = 1; i <= word.size(); ++i) {
            for (size_t j = 1; j <= name.size(); ++j) {
                const size_t change = word[i - 1] == name[j - 1] ? 0 : 1;
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
                if (i > 1 && j > 1 && word[i - 1] == name[j - 2] && word[i - 2] == name[j - 1]) {
                    d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
                }
            }
        }
        const size_t distance = d[word.size()][name.size()];
        if (distance < bestDistance && distance < name.size() / 2 + 1) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

std::string unknownOptionText(const std::string& word) {
    return "unknown option " + word +
           (word == "--password" ? " (the password is never an option: use "
                                   "CLIPFERRY_PASSWORD, --password-stdin or the prompt)"
                                 : "");
}

std::string describeParseError(const CLI::App& app, const CLI::ParseError& error) {
    const std::string what = error.what();
    const auto after = [&](const std::string& marker) {
        const size_t at = what.find(marker);
        return at == std::string::npos ? what : what.substr(at + marker.size());
    };
    if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        // CLI11 lists the words last first; an option among them is the likelier mistake.
        std::istringstream listed(after(": "));
        std::vector<std::string> extras{std::istream_iterator<std::string>(listed), {}};
        std::reverse(extras.begin(), extras.end());
        const auto option = std::find_if(extras.begin(), extras.end(),
                                         [](const std::string& w) { return w.rfind("-", 0) == 0; });
        const std::string first = option != extras.end() ? *option : extras.empty() ? "" : extras.front();
        if (first.rfind("-", 0) == 0) {
            return unknownOptionText(optionWord(first));
        }
        return "unexpected argument '" + first + "'";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&error)) {
        const size_t colon = what.find(": ");  // "--retry: wants ..."
        return colon == std::string::npos ? what : what.substr(0, colon) + " " + what.substr(colon + 2);
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        return what.substr(0, what.find(':')) + " wants a value";
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        const size_t at = what.find(" excludes ");
        return what.substr(0, at) + " and " + what.substr(at + 10) + " cannot be used together";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (what.find("subcommand") != std::string::npos) {
            return "no command given; the commands are " + commandList(app);
        }
        return what.substr(0, what.find(" is required")) + " is missing";
    }
    return what;
}

}  // namespace clipferry::cli
