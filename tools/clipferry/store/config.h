// The settings in effect: where config.toml lives, and how what it holds
// (config_file.h) combines with the environment and the command line. The
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

#include "store/config_file.h"

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

}  // namespace clipferry::cli
