// Reading config.toml with toml++ and resolving each setting with its
// origin. The file is the user's: the command only reads it.
#include "store/config.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include <clipferry-common/form_rules.h>
#include <clipferry-common/secret.h>

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* kKnownKeys = "user, proxy, retry, categories, moderator, terms";
constexpr int kMostRetries = 100;  // as --retry allows

std::string place(const fs::path& path, const toml::source_region& where) {
    return path.string() + ":" + std::to_string(where.begin.line);
}

[[noreturn]] void wrongValue(const fs::path& path, const toml::node& node, const std::string& key,
                             const std::string& expected) {
    std::ostringstream found;
    found << node.type();
    throw ConfigError(place(path, node.source()) + ": " + key + ": expected " + expected +
                      ", found " + found.str());
}

std::string readString(const fs::path& path, const toml::node& node, const std::string& key) {
    const auto* text = node.as_string();
    if (!text) wrongValue(path, node, key, "a string");
    return text->get();
}

int64_t readInteger(const fs::path& path, const toml::node& node, const std::string& key,
                    int64_t lowest, int64_t highest) {
    const auto* number = node.as_integer();
    const std::string expected =
        "an integer from " + std::to_string(lowest) + " to " + std::to_string(highest);
    if (!number) wrongValue(path, node, key, expected);
    if (number->get() < lowest || number->get() > highest) {
        throw ConfigError(place(path, node.source()) + ": " + key + ": expected " + expected +
                          ", found " + std::to_string(number->get()));
    }
    return number->get();
}

int32_t readId(const fs::path& path, const toml::node& node, const std::string& key) {
    return static_cast<int32_t>(readInteger(path, node, key, 0, std::numeric_limits<int32_t>::max()));
}

std::vector<int32_t> readCategories(const fs::path& path, const toml::node& node) {
    const auto* array = node.as_array();
    const std::string most = std::to_string(rules::kMostCategories);
    if (!array) wrongValue(path, node, "categories", "an array of up to " + most + " category ids");
    if (array->size() > rules::kMostCategories) {
        throw ConfigError(place(path, node.source()) + ": categories: at most " + most + " ids, found " +
                          std::to_string(array->size()));
    }
    std::vector<int32_t> ids;
    for (size_t i = 0; i < array->size(); ++i) {
        ids.push_back(readId(path, *array->get(i), "categories[" + std::to_string(i) + "]"));
    }
    return ids;
}

bool knownKey(std::string_view name) {
    for (const char* known : {"user", "proxy", "retry", "categories", "moderator"}) {
        if (name == known) return true;
    }
    return false;
}

// [terms."USER"] tables, each with `accepted = <date-time>`, which the
// command wrote here before it kept the note in its state folder: read as a
// user who was told, never written again. A setting the user added at the
// end of the file after such a table belongs to the table in TOML, and is
// said to be there rather than taken or dropped in silence.
void readTerms(const fs::path& path, const toml::node& node, ConfigFile& config) {
    const auto* terms = node.as_table();
    if (!terms) wrongValue(path, node, "terms", "a table of users");
    for (auto&& [user, entry] : *terms) {
        const std::string key = "terms." + tomlKey(std::string(user.str()));
        const auto* table = entry.as_table();
        if (!table) wrongValue(path, entry, key, "a table");
        for (auto&& [name, value] : *table) {
            if (knownKey(name.str())) {
                config.warnings.push_back(
                    place(path, name.source()) + ": " + std::string(name.str()) +
                    " is inside the table [" + key + "] (line " +
                    std::to_string(table->source().begin.line) +
                    "), so it is ignored: move it above that line");
            } else if (name.str() != "accepted") {
                config.warnings.push_back(place(path, value.source()) + ": unknown key \"" +
                                          key + "." + std::string(name.str()) + "\"");
            } else if (!value.is_date_time()) {
                wrongValue(path, value, key + ".accepted", "a date-time");
            } else {
                config.termsAccepted.insert(std::string(user.str()));
            }
        }
    }
}

std::optional<std::string> nonEmpty(const EnvLookup& env, const std::string& name) {
    std::optional<std::string> value = env(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

// The first of command line, environment and file that has a value, else the default.
template <typename T>
Setting<T> pick(const std::optional<T>& commandLine, const char* flag,
                const std::optional<T>& environment, const char* variable,
                const std::optional<T>& file, const fs::path& path, T fallback) {
    if (commandLine) return {*commandLine, {Origin::CommandLine, flag}};
    if (environment) return {*environment, {Origin::Environment, variable}};
    if (file) return {*file, {Origin::File, path.string()}};
    return {std::move(fallback), {Origin::Default, "default"}};
}

std::string describe(const Origin& origin) {
    return origin.kind == Origin::Default ? "default" : "from " + origin.name;
}

std::string joinIds(const std::vector<int32_t>& ids) {
    std::string text;
    for (int32_t id : ids) text += (text.empty() ? "" : " ") + std::to_string(id);
    return text.empty() ? "(none)" : text;
}

// Reads the whole file; false when there is none.
bool readWhole(const fs::path& path, std::string& text) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) return false;
    if (!fs::is_regular_file(status)) throw ConfigError(path.string() + ": not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ConfigError(path.string() + ": cannot be read");
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

EnvLookup processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    };
}

std::optional<fs::path> xdgFolder(const EnvLookup& env, const char* variable, const fs::path& underHome) {
    if (auto xdg = env(variable); xdg && fs::path(*xdg).is_absolute()) {
        return fs::path(*xdg) / "clipferry";
    }
    if (auto home = env("HOME"); home && !home->empty()) {
        return fs::path(*home) / underHome / "clipferry";
    }
    return std::nullopt;
}

std::optional<fs::path> configFilePath(const EnvLookup& env) {
    auto folder = xdgFolder(env, "XDG_CONFIG_HOME", ".config");
    if (!folder) return std::nullopt;
    return *folder / "config.toml";
}

ConfigFile parseConfigText(std::string_view text, const fs::path& path) {
    ConfigFile config;
    config.path = path;
    config.found = true;
    toml::table table;
    try {
        table = toml::parse(text, std::string_view(path.string()));
    } catch (const toml::parse_error& e) {
        throw ConfigError(place(path, e.source()) + ":" + std::to_string(e.source().begin.column) +
                          ": " + std::string(e.description()));
    }
    for (auto&& [key, node] : table) {
        const std::string name(key.str());
        if (name == "user") {
            config.user = readString(path, node, name);
        } else if (name == "proxy") {
            config.proxy = readString(path, node, name);
        } else if (name == "retry") {
            config.retry = static_cast<int>(readInteger(path, node, name, 0, kMostRetries));
        } else if (name == "categories") {
            config.categories = readCategories(path, node);
        } else if (name == "moderator") {
            config.moderator = readId(path, node, name);
        } else if (name == "terms") {
            readTerms(path, node, config);
        } else {
            config.warnings.push_back(place(path, key.source()) + ": unknown key \"" + name +
                                      "\" (known: " + kKnownKeys + ")");
        }
    }
    return config;
}

ConfigFile loadConfigFile(const fs::path& path) {
    std::string text;
    if (!readWhole(path, text)) {
        ConfigFile missing;
        missing.path = path;
        return missing;
    }
    return parseConfigText(text, path);
}

Settings resolveSettings(const ConfigFile& file, const EnvLookup& env,
                         const CommandLineSettings& commandLine) {
    Settings settings;
    if (!file.path.empty()) settings.configPath = file.path;
    settings.configFound = file.found;
    settings.user = pick(commandLine.user, "--user", nonEmpty(env, kUserVariable), kUserVariable,
                         file.user, file.path, std::string());
    settings.proxy = pick(commandLine.proxy, "--proxy", nonEmpty(env, kProxyVariable),
                          kProxyVariable, file.proxy, file.path, std::string());
    settings.retry = pick(commandLine.retry, "--retry", std::optional<int>(), "", file.retry,
                          file.path, 0);
    // An upload's ids on the command line override these job by job (buildUploadJobs).
    settings.categories = pick(std::optional<std::vector<int32_t>>(), "",
                               std::optional<std::vector<int32_t>>(), "", file.categories,
                               file.path, std::vector<int32_t>());
    settings.moderator = pick(std::optional<int32_t>(), "", std::optional<int32_t>(), "",
                              file.moderator, file.path, 0);
    // Only whether it is set: the copy looked at is wiped.
    if (auto password = env("CLIPFERRY_PASSWORD")) {
        settings.passwordSet = !password->empty();
        wipeBytes(password->data(), password->size());
    }
    return settings;
}

std::string renderSettings(const Settings& settings, const std::string& password) {
    std::string file = settings.configPath ? settings.configPath->string() : "(no HOME)";
    if (settings.configPath && !settings.configFound) file += " (not found)";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"config file", file},
        {"user", settings.user.value.empty() ? "(not set)" : settings.user.value},
        {"proxy", settings.proxy.value.empty() ? "(none)" : settings.proxy.value},
        {"retry", std::to_string(settings.retry.value)},
        {"categories", joinIds(settings.categories.value)},
        {"moderator", settings.moderator.value == 0 ? "(none)" : std::to_string(settings.moderator.value)},
        {"password", password},
    };
    const std::vector<std::string> origins = {
        "",
        describe(settings.user.origin),
        describe(settings.proxy.origin),
        describe(settings.retry.origin),
        describe(settings.categories.origin),
        describe(settings.moderator.origin),
        "",
    };
    size_t valueWidth = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
        if (!origins[i].empty()) valueWidth = std::max(valueWidth, rows[i].second.size());
    }
    std::string text;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string line = rows[i].first;
        line.resize(12, ' ');
        line += rows[i].second;
        if (!origins[i].empty()) {
            line.resize(12 + valueWidth + 2, ' ');
            line += origins[i];
        }
        text += line + "\n";
    }
    return text;
}

bool hasAcceptedTerms(const ConfigFile& config, const std::string& user) {
    return config.termsAccepted.count(user) > 0;
}

std::string tomlKey(const std::string& name) {
    const bool bare = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
    if (bare) return name;
    std::string quoted = "\"";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace clipferry::cli
