// Completion scripts for bash, zsh and fish from one description of the
// command: each subcommand with its options, whether an option takes a value,
// and what the positional arguments are (files, commands, shells).
#include "commands/completion.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "app/option_table.h"

namespace clipferry::cli {

namespace {

// The shells a script is made for: the one list the help, the check of the
// word and the scripts' own completion of it are made from.
const char* const kShells[] = {"bash", "zsh", "fish"};

// "bash zsh fish"; in prose "bash, zsh or fish".
std::string shellWords(bool prose = false) {
    std::string text;
    for (size_t i = 0; i < std::size(kShells); ++i) {
        const char* gap = i == 0 ? "" : !prose ? " " : i + 1 == std::size(kShells) ? " or " : ", ";
        text += gap + std::string(kShells[i]);
    }
    return text;
}

bool isShell(const std::string& text) {
    return std::find(std::begin(kShells), std::end(kShells), text) != std::end(kShells);
}

struct OptionWords {
    std::vector<std::string> longNames, shortNames;
    bool takesValue = false;
    std::string description;
};

struct Subcommand {
    std::string name;
    std::string description;
    std::vector<OptionWords> options;
    std::string positional;  // what its words are: "files", "commands", "shells" or ""
};

std::vector<OptionWords> optionsOf(const CLI::App& app) {
    std::vector<OptionWords> options;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional()) continue;
        OptionWords words{option->get_lnames(), option->get_snames(), takesValue(*option),
                          option->get_description()};
        words.description = words.description.substr(0, words.description.find('\n'));
        options.push_back(std::move(words));
    }
    return options;
}

std::vector<Subcommand> subcommandsOf(const CLI::App& app) {
    std::vector<Subcommand> subcommands;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        Subcommand entry{sub->get_name(), sub->get_description(), optionsOf(*sub), ""};
        // What the words after it are, read from the name its positional has in the table.
        for (const CLI::Option* option : sub->get_options()) {
            if (!option->get_positional()) continue;
            const std::string name = option->get_name();
            entry.positional = name == "FILE" ? "files" : name == "COMMAND" ? "commands"
                             : name == "SHELL" ? "shells" : "";
        }
        subcommands.push_back(std::move(entry));
    }
    return subcommands;
}

std::string words(const std::vector<OptionWords>& options) {
    std::string text;
    for (const OptionWords& option : options) {
        for (const std::string& name : option.longNames) text += (text.empty() ? "--" : " --") + name;
        for (const std::string& name : option.shortNames) text += (text.empty() ? "-" : " -") + name;
    }
    return text;
}

// Options that take a value: after them the next word is not a subcommand.
std::string valueOptions(const std::vector<OptionWords>& options) {
    std::vector<OptionWords> taking;
    for (const OptionWords& option : options) {
        if (option.takesValue) taking.push_back(option);
    }
    return words(taking);
}

std::string names(const std::vector<Subcommand>& subcommands) {
    std::string text;
    for (const Subcommand& sub : subcommands) text += (text.empty() ? "" : " ") + sub.name;
    return text;
}

std::string bash(const std::vector<OptionWords>& global, const std::vector<Subcommand>& subs) {
    std::string script =
        "# bash completion for clipferry; made by `clipferry completion bash`.\n"
        "_clipferry() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} sub= i word\n"
        "    local commands='" + names(subs) + "'\n"
        "    local takes_value=' " + valueOptions(global) + " '\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        word=${COMP_WORDS[i]}\n"
        "        if [[ $takes_value == *\" $word \"* ]]; then ((i++)); continue; fi\n"
        "        if [[ $word != -* && \" $commands \" == *\" $word \"* ]]; then sub=$word; break; fi\n"
        "    done\n"
        "    local options='" + words(global) + "'\n"
        "    case $sub in\n";
    for (const Subcommand& sub : subs) {
        script += "        " + sub.name + ") options=\"$options " + words(sub.options) + "\" ;;\n";
    }
    script +=
        "    esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    case $sub in\n"
        "        '') COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")) ;;\n";
    for (const Subcommand& sub : subs) {
        if (sub.positional == "files") {
            script += "        " + sub.name +
                      ") compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\")) ;;\n";
        } else if (sub.positional == "commands") {
            script += "        " + sub.name + ") COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")) ;;\n";
        } else if (sub.positional == "shells") {
            script += "        " + sub.name + ") COMPREPLY=($(compgen -W '" + shellWords() + "' -- \"$cur\")) ;;\n";
        }
    }
    script +=
        "    esac\n"
        "}\n"
        "complete -F _clipferry clipferry\n";
    return script;
}

std::string zsh(const std::vector<OptionWords>& global, const std::vector<Subcommand>& subs) {
    std::string script =
        "#compdef clipferry\n"
        "# zsh completion for clipferry; made by `clipferry completion zsh`.\n"
        "_clipferry() {\n"
        "    local -a commands=(" + names(subs) + ")\n"
        "    local -a takes_value=(" + valueOptions(global) + ")\n"
        "    local sub= i\n"
        "    for ((i = 2; i < CURRENT; i++)); do\n"
        "        if (( ${takes_value[(Ie)$words[i]]} )); then ((i++)); continue; fi\n"
        "        if (( ${commands[(Ie)$words[i]]} )); then sub=$words[i]; break; fi\n"
        "    done\n"
        "    if [[ $PREFIX == -* ]]; then\n"
        "        compadd -- " + words(global) + "\n"
        "        case $sub in\n";
    for (const Subcommand& sub : subs) {
        const std::string own = words(sub.options);
        if (!own.empty()) script += "            " + sub.name + ") compadd -- " + own + " ;;\n";
    }
    script +=
        "        esac\n"
        "        return\n"
        "    fi\n"
        "    case $sub in\n"
        "        '') compadd -- $commands ;;\n";
    for (const Subcommand& sub : subs) {
        if (sub.positional == "files") script += "        " + sub.name + ") _files ;;\n";
        if (sub.positional == "commands") script += "        " + sub.name + ") compadd -- $commands ;;\n";
        if (sub.positional == "shells") script += "        " + sub.name + ") compadd -- " + shellWords() + " ;;\n";
    }
    script +=
        "    esac\n"
        "}\n"
        "if [[ $funcstack[1] == _clipferry ]]; then\n"
        "    _clipferry \"$@\"\n"
        "else\n"
        "    compdef _clipferry clipferry\n"
        "fi\n";
    return script;
}

// A fish string in single quotes.
std::string fishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string fishOption(const std::string& condition, const OptionWords& option) {
    std::string line = "complete -c clipferry";
    if (!condition.empty()) line += " -n " + fishQuoted(condition);
    for (const std::string& name : option.longNames) line += " -l " + name;
    for (const std::string& name : option.shortNames) line += " -s " + name;
    if (option.takesValue) line += " -r";
    return line + " -d " + fishQuoted(option.description) + "\n";
}

std::string fish(const std::vector<OptionWords>& global, const std::vector<Subcommand>& subs) {
    std::string script =
        "# fish completion for clipferry; made by `clipferry completion fish`.\n"
        "complete -c clipferry -f\n";
    for (const OptionWords& option : global) script += fishOption("", option);
    for (const Subcommand& sub : subs) {
        script += "complete -c clipferry -n __fish_use_subcommand -a " + sub.name + " -d " +
                  fishQuoted(sub.description) + "\n";
        const std::string seen = "__fish_seen_subcommand_from " + sub.name;
        for (const OptionWords& option : sub.options) script += fishOption(seen, option);
        if (sub.positional == "files") script += "complete -c clipferry -n " + fishQuoted(seen) + " -F\n";
        if (sub.positional == "commands") {
            script += "complete -c clipferry -n " + fishQuoted(seen) + " -a " + fishQuoted(names(subs)) + "\n";
        }
        if (sub.positional == "shells") {
            script += "complete -c clipferry -n " + fishQuoted(seen) + " -a " + fishQuoted(shellWords()) + "\n";
        }
    }
    return script;
}

}  // namespace

CLI::App* addCompletionCommand(CLI::App& app, std::string& shell) {
    CLI::App* completion = app.add_subcommand(
        "completion", "Print the shell completion script for " + shellWords(true));
    completion->add_option("SHELL", shell, shellWords(true))
        ->required()
        ->type_name("")
        ->check(wants(shellWords(true), isShell));
    return completion;
}

std::string completionScript(const CLI::App& app, const std::string& shell) {
    const std::vector<OptionWords> global = optionsOf(app);
    const std::vector<Subcommand> subs = subcommandsOf(app);
    if (shell == "bash") return bash(global, subs);
    if (shell == "zsh") return zsh(global, subs);
    if (shell == "fish") return fish(global, subs);
    return {};
}

}  // namespace clipferry::cli
