// Upload server discovery: the API host's upload.xml names the server the
// next upload goes to; without one the upload goes to the default host.
#include <cstring>
#include <string>

#include "api/operation_frame.h"
#include "api/operations.h"
#include "platform/text.h"
#include "transport/upload_transport.h"
#include "transport/web_protocols.h"

namespace clipferry {

namespace {

// Whether the address holds a blank or a control character (C0, DEL or C1),
// which no URL holds: libcurl would refuse it as malformed.
bool HoldsBlankOrControl(const char16_t* address) {
    for (const char16_t* unit = address; *unit != u'\0'; ++unit)
        if (*unit <= 0x20 || (*unit >= 0x7F && *unit <= 0x9F)) return true;
    return false;
}

// Stores the address only when it fits whole and is an http or https URL
// without blanks: a cut address would send the upload somewhere else, another
// scheme would read a local file or stream the video to another port, and a
// malformed one would fail the upload, while an empty address sends it to the
// default host.
void StoreUploadServerUrl(RequestSettings& settings, const char16_t* address) {
    if (HoldsBlankOrControl(address)) return;
    const std::string utf8 = platform::Utf16ToUtf8(std::u16string(address));
    if (utf8.size() >= sizeof settings.uploadServerUrl || !IsWebUrl(utf8.c_str())) return;
    std::memcpy(settings.uploadServerUrl, utf8.c_str(), utf8.size() + 1);
}

}  // namespace

int32_t RunDiscovery(UploaderContext& context, xml::ResponseDocument& document, ProgressCallback progress,
                     void* progressData) {
    std::memset(context.settings.uploadServerUrl, 0, sizeof context.settings.uploadServerUrl);
    if (context.settings.binding == nullptr) return CLIPFERRY_OK;
    const OperationPlan plan{DumpFile::Discovery, /*dumpUnloadedBody=*/true, CLIPFERRY_REFUSED};
    bool cancelled = false;
    RunPreparedOperation(
        context, plan, document,
        [&](ResponseBody* response) {
            const int32_t sent = GetDiscovery(context.settings, response, progress, progressData);
            // Only the host's callback aborts a transfer that was handed one.
            cancelled = progress != nullptr && sent == CLIPFERRY_ABORTED;
            if (cancelled) return CLIPFERRY_ABORTED;
            // A failed transfer may still have left part of an answer; it is
            // judged like any other.
            return CLIPFERRY_OK;
        },
        [&](const xml::ResponseDocument& answer) {
            // One unit more than the field holds, so an address too long for
            // it is seen as such instead of arriving already cut.
            char16_t address[sizeof context.settings.uploadServerUrl + 1] = {};
            answer.LookupText(u"url", address, sizeof address / sizeof address[0]);
            StoreUploadServerUrl(context.settings, address);
            return CLIPFERRY_OK;
        });
    return cancelled ? CLIPFERRY_ABORTED : CLIPFERRY_OK;
}

}  // namespace clipferry
