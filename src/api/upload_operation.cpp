// CLIPFERRY_DoUpload: discover the upload server, post the form with the file
// streamed from disk, and read the server's verdict and message.
#include <algorithm>

#include "api/operation_frame.h"
#include "api/operations.h"
#include "api/upload_verdict.h"
#include "platform/text.h"
#include "transport/upload_transport.h"

namespace clipferry {

namespace {

// Each text goes out cut to the limit the header states, terminator added.
constexpr size_t kFieldBytes = CLIPFERRY_TEXT_MAX_BYTES + 1;

}  // namespace

int32_t RunUpload(UploaderContext& context, const UploadRequest& request, char16_t* message,
                  uint32_t messageSize, ProgressCallback progress, void* progressData) {
    if (!context.login.loggedIn) return CLIPFERRY_BAD_ARGUMENT;

    char title[kFieldBytes] = {};
    char description[kFieldBytes] = {};
    char tags[kFieldBytes] = {};
    platform::Utf16ToUtf8(request.title, title, sizeof title);
    platform::Utf16ToUtf8(request.description, description, sizeof description);
    platform::Utf16ToUtf8(request.tags, tags, sizeof tags);
    const UploadFormValues fields{context.login.authKey, title, description, tags, request.moderatorId,
                              request.category1, std::max(request.category2, 0), std::max(request.category3, 0)};

    // Both answers have their scratch file before the discovery goes out: a
    // verdict that could not be read would report a published video as refused.
    xml::ResponseDocument discovery;
    xml::ResponseDocument verdict;
    if (!discovery.PrepareScratch() || !verdict.PrepareScratch()) return kAnswerUnwritable;

    // Without a discovered server the upload goes to the default host; a
    // cancel while the API host is asked sends nothing of the form.
    if (RunDiscovery(context, discovery, progress, progressData) == CLIPFERRY_ABORTED) return CLIPFERRY_ABORTED;

    // Upload servers may print text before the XML declaration; an answer
    // that is not XML, or has no body, counts as a refusal.
    OperationPlan plan{DumpFile::Upload, /*dumpUnloadedBody=*/false, CLIPFERRY_REFUSED};
    plan.parseFromDeclaration = true;
    return RunPreparedOperation(
        context, plan, verdict,
        [&](ResponseBody* response) {
            return PostUploadForm(context.settings, response, fields, request.path, progress, progressData);
        },
        [&](const xml::ResponseDocument& document) { return ReadUploadVerdict(document, message, messageSize); });
}

}  // namespace clipferry
