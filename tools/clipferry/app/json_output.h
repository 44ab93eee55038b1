// The JSON documents --json prints: one per run, on standard output.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "commands/category_tree.h"
#include "store/config.h"
#include "commands/upload/upload_batch.h"

namespace clipferry::cli {

// {"ok": false, "operation", "result", "exit_status", "error"}; no
// operation or result when the command failed before asking the library.
nlohmann::ordered_json failureDocument(const std::string& operation, std::optional<int32_t> result,
                               int exitStatus, const std::string& error);

// [{"id", "name"}...], each with "children" when the tree was fetched below the top level.
nlohmann::ordered_json categoriesJson(const std::vector<Category>& tree, bool withChildren);

// One upload: file, title, bytes (the file's size), bytes_sent, seconds,
// verdict, message, result, exit status, and the error when there was one.
nlohmann::ordered_json uploadJson(const UploadOutcome& outcome);

// A batch: {"ok", "uploads": [...], "summary": {...}, "exit_status"}.
nlohmann::ordered_json batchJson(const std::vector<UploadOutcome>& outcomes, const BatchSummary& summary);

// `clipferry config`: {"ok", "config_file": {"path", "exists"}, "settings":
// {NAME: {"value", "origin", "from"}...}, "password_set", "terms_accepted"}.
nlohmann::ordered_json settingsJson(const Settings& settings, const ConfigFile& file);

// Indented text with a final newline; bytes that are not UTF-8 become U+FFFD
// rather than an exception.
std::string render(const nlohmann::ordered_json& document);

}  // namespace clipferry::cli
