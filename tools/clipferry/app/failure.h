// A failure as a value: what the command says on standard error and, with
// --json, the document on standard output, and the exit status it ends with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/io.h"
#include "service/result_codes.h"

namespace clipferry::cli {

struct Failure {
    int exitStatus = 0;
    std::string operation;          // "login", "upload", "check"; empty before the library was asked
    std::optional<int32_t> result;  // the library's; empty when it was not asked
    std::string text;               // one line, without "clipferry: "
    std::vector<std::string> problems;  // the checks': every one, the first is `text`
};

// A failed library call, explained.
Failure libraryFailure(Operation operation, int32_t result, const Circumstances& circumstances);

nlohmann::ordered_json failureJson(const Failure& failure);

// Says the failure's line and, with --json, its document; gives its exit status.
int tell(const Io& io, const Failure& failure);

// The two usual ones: a failed library call, and a failure before the library was asked.
int fail(const Io& io, Operation operation, int32_t result, const Circumstances& circumstances);
int fail(const Io& io, int exitStatus, const std::string& text);

}  // namespace clipferry::cli
