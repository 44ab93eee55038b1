// How a failure is said: its line, its JSON document, its exit status.
#include "app/failure.h"

#include "app/json_output.h"
#include "text/text.h"

namespace clipferry::cli {

Failure libraryFailure(Operation operation, int32_t result, const Circumstances& circumstances) {
    const Explanation explanation = explain(operation, result, circumstances);
    return {explanation.exitStatus, operationName(operation), result, explanation.text, {}};
}

nlohmann::ordered_json failureJson(const Failure& failure) {
    nlohmann::ordered_json document =
        failureDocument(failure.operation, failure.result, failure.exitStatus, failure.text);
    if (!failure.problems.empty()) document["problems"] = failure.problems;
    return document;
}

int tell(const Io& io, const Failure& failure) {
    io.err() << "clipferry: " << visible(failure.text) << "\n";
    if (io.json()) io.document(failureJson(failure));
    return failure.exitStatus;
}

int fail(const Io& io, Operation operation, int32_t result, const Circumstances& circumstances) {
    return tell(io, libraryFailure(operation, result, circumstances));
}

int fail(const Io& io, int exitStatus, const std::string& text) {
    return tell(io, {exitStatus, "", std::nullopt, text, {}});
}

}  // namespace clipferry::cli
