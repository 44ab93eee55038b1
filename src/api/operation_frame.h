// The sequence every operation follows: send the request, turn the body into
// a response document, extract what the operation needs, dump the body when
// the log switch asks for it, and release everything before returning.
#pragma once

#include <cstdint>
#include <cstring>

#include "api/uploader_context.h"
#include "transport/dump_file.h"
#include "transport/response_buffer.h"
#include "xml/response_document.h"

namespace clipferry {

struct OperationPlan {
    DumpFile dumpFile;
    // Whether the body is dumped even when it could not be loaded.
    bool dumpUnloadedBody;
    // The result when no document could be loaded: the answer had no body,
    // or its body did not load.
    int32_t resultWhenUnloaded;
    // Whether parsing starts at the first "<?xml", skipping what comes before.
    bool parseFromDeclaration = false;
};

// Loads a NUL-terminated answer of length bytes into the document, from its
// first "<?xml" when fromDeclaration asks for it (and there is one), else
// whole. What LoadFromBuffer gives: 1 when the document loaded.
inline int LoadAnswer(const char* text, size_t length, bool fromDeclaration, xml::ResponseDocument& document) {
    const char* start = text;
    if (fromDeclaration) {
        if (const char* declaration = std::strstr(text, "<?xml")) start = declaration;
    }
    const size_t parsed = length - size_t(start - text);
    return parsed <= UINT32_MAX ? document.LoadFromBuffer(start, uint32_t(parsed)) : 0;
}

// The result of an operation whose answer has nowhere to go: libcurl's
// "failed writing received data". Given before anything is sent when the
// scratch file cannot be made, so nothing goes out whose answer would be lost.
constexpr int32_t kAnswerUnwritable = 23;
// The result of an answer larger than kAnswerCeiling: libcurl's "maximum file
// size exceeded", which it gives itself when the answer declares its length.
constexpr int32_t kAnswerTooLarge = 63;

// RunOperation on a document whose scratch file PrepareScratch has made.
template <typename Request, typename Extract>
int32_t RunPreparedOperation(UploaderContext& context, const OperationPlan& plan, xml::ResponseDocument& document,
                             Request request, Extract extract) {
    ResponseBody body;
    const int32_t sent = request(body.Address());
    if (body.OverCeiling()) return kAnswerTooLarge;
    if (sent != 0) return sent;
    if (body.Text() == nullptr) return plan.resultWhenUnloaded;

    const char* text = body.Text();
    const size_t length = body.Length();
    int32_t result = plan.resultWhenUnloaded;
    const int loaded = LoadAnswer(text, length, plan.parseFromDeclaration, document);
    if (loaded == 1) {
        result = extract(document);
        document.DeleteScratch();
    }
    if (context.settings.logResponses != 0 && (loaded == 1 || plan.dumpUnloadedBody))
        WriteDumpFile(DumpFilePath(plan.dumpFile).c_str(), text, length);
    return result;
}

// request(ResponseBody* response) posts the operation's request; extract(document)
// runs on the loaded answer and gives the operation's result. The scratch
// file the answer is read back through is made first: without it nothing is
// sent and the result is kAnswerUnwritable. A non-zero request result is
// returned as it is; an answer without a body gives the plan's result for an
// answer that did not load; one past the ceiling gives kAnswerTooLarge.
template <typename Request, typename Extract>
int32_t RunOperation(UploaderContext& context, const OperationPlan& plan, Request request, Extract extract) {
    xml::ResponseDocument document;
    if (!document.PrepareScratch()) return kAnswerUnwritable;
    return RunPreparedOperation(context, plan, document, request, extract);
}

}  // namespace clipferry
