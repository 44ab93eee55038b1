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
// whole. True when the document loaded.
inline bool LoadAnswer(const char* text, size_t length, bool fromDeclaration, xml::ResponseDocument& document) {
    const char* start = text;
    if (fromDeclaration) {
        if (const char* declaration = std::strstr(text, "<?xml")) start = declaration;
    }
    const size_t parsed = length - size_t(start - text);
    return parsed <= UINT32_MAX && document.LoadFromBuffer(start, uint32_t(parsed)) == 1;
}

// request(ResponseBody* response) posts the operation's request; extract(document)
// runs on the loaded answer and gives the operation's result. A non-zero
// request result is returned as it is; an answer without a body gives the
// plan's result for an answer that did not load.
template <typename Request, typename Extract>
int32_t RunOperation(UploaderContext& context, const OperationPlan& plan, Request request, Extract extract) {
    ResponseBody body;
    const int32_t sent = request(body.Address());
    if (sent != 0) return sent;
    if (body.Text() == nullptr) return plan.resultWhenUnloaded;

    const char* text = body.Text();
    const size_t length = body.Length();
    int32_t result = plan.resultWhenUnloaded;
    xml::ResponseDocument document;
    const bool loaded = LoadAnswer(text, length, plan.parseFromDeclaration, document);
    if (loaded) {
        result = extract(document);
        document.DeleteScratch();
    }
    if (context.logResponses != 0 && (loaded || plan.dumpUnloadedBody))
        WriteDumpFile(DumpFilePath(plan.dumpFile).c_str(), text, length);
    return result;
}

}  // namespace clipferry
