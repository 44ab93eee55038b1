// Reading config.toml: its keys, their types and ranges, and where a mistake
// is, said as "PATH:LINE: KEY: what is wrong".
#include "store/config_file.h"

#include <toml++/toml.h>

#include <clipferry-common/form_rules.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

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
    const std::string most = std::to_string(rules::kMostCategories);
    const auto* array = node.as_array();
    if (!array) wrongValue(path, node, "categories", "an array of up to " + most + " category ids");
    if (array->size() > size_t(rules::kMostCategories)) {
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
