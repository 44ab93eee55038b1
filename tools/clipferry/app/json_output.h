// The JSON documents --json prints: one per run, on standard output.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "store/config.h"

namespace clipferry::cli {

// {"ok": false, "operation", "result", "exit_status", "error"}; no
// operation or result when the command failed before asking the library.
nlohmann::ordered_json failureDocument(const std::string& operation, std::optional<int32_t> result,
                               int exitStatus, const std::string& error);

// `clipferry config`: {"ok", "config_file": {"path", "exists"}, "settings":
// {NAME: {"value", "origin", "from"}...}, "password_set", "terms_accepted"}.
nlohmann::ordered_json settingsJson(const Settings& settings, const ConfigFile& file);

// Indented text with a final newline; bytes that are not UTF-8 become U+FFFD
// rather than an exception.
std::string render(const nlohmann::ordered_json& document);

}  // namespace clipferry::cli
