// CLIPFERRY_DoUpload: discover the upload server, post the form with the file
// streamed from disk, and read the server's verdict and message.
#include <algorithm>
#include <cstring>
#include <string>

#include "api/operations.h"
#include "api/upload_verdict.h"
#include "platform/files.h"
#include "platform/text.h"
#include "transport/dump_file.h"
#include "transport/response_buffer.h"
#include "transport/upload_transport.h"
#include "xml/response_document.h"

namespace clipferry {

namespace {

constexpr size_t kFieldBytes = 1024;
constexpr size_t kStatusChars = 260;

// Where the XML starts: some servers print text before the declaration.
const char* XmlStart(const char* body) {
    const char* declaration = std::strstr(body, "<?xml");
    return declaration != nullptr ? declaration : body;
}

}  // namespace

int32_t RunUpload(UploaderContext& context, const UploadRequest& request, char16_t* message,
                  uint32_t messageSize, ProgressCallback progress, void* progressData) {
    if (!context.login.loggedIn || request.title == nullptr || request.description == nullptr ||
        request.tags == nullptr || request.category1 < 0 || request.path == nullptr ||
        !platform::PathExists(request.path) || request.moderatorId < 0)
        return CLIPFERRY_BAD_ARGUMENT;

    char title[kFieldBytes] = {};
    char description[kFieldBytes] = {};
    char tags[kFieldBytes] = {};
    platform::Utf16ToUtf8(request.title, title, sizeof title);
    platform::Utf16ToUtf8(request.description, description, sizeof description);
    platform::Utf16ToUtf8(request.tags, tags, sizeof tags);

    // Without a discovered server the upload goes to the default host.
    DiscoverUploadServer(context);

    ResponseBody body;
    const UploadFields fields{context.login.authKey, title, description, tags, request.moderatorId,
                              request.category1, std::max(request.category2, 0), std::max(request.category3, 0)};
    const int32_t posted = PostUploadForm(context, body.Address(), fields, request.path, progress, progressData);
    if (posted != 0) return posted;
    if (body.Text() == nullptr) return CLIPFERRY_OK;

    const char* xmlText = XmlStart(body.Text());
    xml::ResponseDocument document;
    if (document.LoadFromBuffer(xmlText, static_cast<uint32_t>(std::strlen(xmlText))) != 1)
        return CLIPFERRY_REFUSED;

    char16_t status[kStatusChars] = {};
    document.LookupText(u"status", status, kStatusChars);
    const bool accepted = IsUploadAccepted(status);
    if (message != nullptr && messageSize > 0) document.LookupText(u"message", message, messageSize);
    document.DeleteScratch();

    if (context.logResponses)
        WriteDumpFile(DumpFilePath(DumpFile::Upload).c_str(), body.Text(), std::strlen(body.Text()));
    return accepted ? CLIPFERRY_OK : CLIPFERRY_REFUSED;
}

}  // namespace clipferry
