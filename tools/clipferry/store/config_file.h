// What config.toml holds, read and checked: the file's own layer, apart from
// how its settings combine with the others (config.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace clipferry::cli {

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

// `name` as a TOML key: bare when it may be, else a quoted string.
std::string tomlKey(const std::string& name);

}  // namespace clipferry::cli
