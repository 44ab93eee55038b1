// Upload server discovery: a plain GET of the API host's upload.xml, whose
// "url" element names the server the next upload goes to.
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "transport/curl_handles.h"
#include "transport/dump_file.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/upload_transport.h"
#include "transport/web_protocols.h"
#include "xml/response_document.h"

namespace clipferry {

namespace {

constexpr long kTimeoutSeconds = 50;

// Stores the address only when it fits whole and is an http or https URL: a
// cut address would send the upload somewhere else, and another scheme would
// read a local file or stream the video to another port, while an empty
// address sends it to the default host.
void StoreUploadServerUrl(Connection& context, const char16_t* address) {
    const std::string utf8 = platform::Utf16ToUtf8(std::u16string(address));
    if (utf8.size() >= sizeof context.uploadServerUrl || !IsWebUrl(utf8.c_str())) return;
    std::memcpy(context.uploadServerUrl, utf8.c_str(), utf8.size() + 1);
}

}  // namespace

void DiscoverUploadServer(Connection& context) {
    if (context.binding == nullptr) return;
    std::memset(context.uploadServerUrl, 0, sizeof context.uploadServerUrl);
    CurlBinding& curl = *context.binding;
    const std::string url = std::string(ApiHostUrl) + "/upload.xml";

    // Declared first, so it is cleaned up last, once the answer is handled.
    EasyHandle handle(curl, EasyHandle::Release::CleanupOnly);
    if (handle.get() == nullptr) return;
    CURL* easy = handle.get();
    curl.EasyReset(easy);
    if (AllowOnlyWebProtocols(curl, easy) != CURLE_OK) return;
    ResponseBody body;
    if (context.proxyEnabled) curl.EasySetopt(easy, CURLOPT_PROXY, static_cast<const void*>(context.proxy));
    curl.EasySetopt(easy, CURLOPT_URL, static_cast<const void*>(url.c_str()));
    curl.EasySetopt(easy, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(AppendResponseChunk));
    curl.EasySetopt(easy, CURLOPT_WRITEDATA, static_cast<const void*>(body.Address()));
    curl.EasySetopt(easy, CURLOPT_TIMEOUT, kTimeoutSeconds);
    // A failed transfer may still have left part of an answer; it is judged
    // like any other.
    curl.EasyPerform(easy);
    if (body.Text() == nullptr) return;

    const size_t length = body.Length();
    xml::ResponseDocument document;
    if (length <= UINT32_MAX && document.LoadFromBuffer(body.Text(), static_cast<uint32_t>(length)) == 1) {
        // One unit more than the field holds, so an address too long for it
        // is seen as such instead of arriving already cut.
        char16_t address[sizeof context.uploadServerUrl + 1] = {};
        document.LookupText(u"url", address, sizeof address / sizeof address[0]);
        document.DeleteScratch();
        StoreUploadServerUrl(context, address);
    }
    if (context.logResponses) WriteDumpFile(DumpFilePath(DumpFile::GetServer).c_str(), body.Text(), length);
}

}  // namespace clipferry
