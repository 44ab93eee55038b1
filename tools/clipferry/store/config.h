// The configuration file (config.toml): where it lives, what it holds, and how
// its settings combine with the environment and the command line. The
// command never writes it (the terms note lives in terms_note.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace clipferry::cli {

// The value of an environment variable; empty when it is unset.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
EnvLookup processEnvironment();

// $XDG_CONFIG_HOME/clipferry/config.toml, else $HOME/.config/clipferry/config.toml.
// A relative or empty XDG_CONFIG_HOME is ignored, as the base-directory
// convention asks; empty when neither variable helps.
std::optional<std::filesystem::path> configFilePath(const EnvLookup& env);

// The command's folder under an XDG base directory: $variable/clipferry when
// the variable is an absolute path, else $HOME/underHome/clipferry; none
// without either.
std::optional<std::filesystem::path> xdgFolder(const EnvLookup& env, const char* variable,
                                               const std::filesystem::path& underHome);

// A file that cannot be read or parsed, or a value of the wrong type or out of
// range: "PATH:LINE: KEY: what is wrong".
struct ConfigError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the file says. Categories are one array of up to three ids
// (`categories = [1, 11]`), the same shape as in a --meta file.
struct ConfigFile {
    std::filesystem::path path;
    bool found = false;
    std::optional<std::string> user;
    std::optional<std::string> proxy;
    std::optional<int> retry;
    std::optional<std::vector<int32_t>> categories;
    std::optional<int32_t> moderator;
    std::set<std::string> termsAccepted;  // users told before; from a 1.0 file's [terms."USER"]
    std::vector<std::string> warnings;    // unknown keys: "PATH:LINE: unknown key ..."
};

// Reads the file; a missing one is no error (found stays false). Throws ConfigError.
ConfigFile loadConfigFile(const std::filesystem::path& path);
// The same for text already read; `path` only names it in messages.
ConfigFile parseConfigText(std::string_view text, const std::filesystem::path& path);

// Where a setting's value came from.
struct Origin {
    enum Kind { Default, File, Environment, CommandLine } kind = Default;
    std::string name;  // the file's path and line, the variable, or the flag
};

template <typename T>
struct Setting {
    T value{};
    Origin origin;
};

// Values given on the command line; empty when the flag was not given.
struct CommandLineSettings {
    std::optional<std::string> user;        // --user
    std::optional<std::string> proxy;       // --proxy
    std::optional<int> retry;               // --retry
};

struct Settings {
    std::optional<std::filesystem::path> configPath;
    bool configFound = false;
    Setting<std::string> user;
    Setting<std::string> proxy;  // empty: none
    Setting<int> retry;
    Setting<std::vector<int32_t>> categories;
    Setting<int32_t> moderator;
    bool passwordSet = false;  // CLIPFERRY_PASSWORD; the password itself is never kept here
};

inline constexpr const char* kUserVariable = "CLIPFERRY_USER";
inline constexpr const char* kProxyVariable = "CLIPFERRY_PROXY_SERVER";

// Command line > environment > file > default. An empty environment variable
// counts as unset.
Settings resolveSettings(const ConfigFile& file, const EnvLookup& env,
                         const CommandLineSettings& commandLine);

// One line per setting: name, value, where it came from; for `clipferry config`.
// The settings as lines of text, with `password` saying where the password
// comes from (only the command knows the keyring and the terminal).
std::string renderSettings(const Settings& settings, const std::string& password);

// Whether a 1.0 file records that `user` was told that uploading accepts the terms.
bool hasAcceptedTerms(const ConfigFile& config, const std::string& user);

// `name` as a TOML key: bare when it may be, else a quoted string.
std::string tomlKey(const std::string& name);

}  // namespace clipferry::cli
