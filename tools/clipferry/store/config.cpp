// Each setting resolved with its origin, from the command line, the
// environment and config.toml (read by config_file.cpp).
#include "store/config.h"

#include <cstdlib>
#include <sstream>

#include <clipferry-common/secret.h>

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {

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


}  // namespace clipferry::cli
