// Upload server discovery's request: a plain GET of the API host's
// upload.xml, whose "url" element names the server the next upload goes to.
#include <string>

#include "clipferry.h"
#include "transport/answer_target.h"
#include "transport/curl_handles.h"
#include "transport/service_urls.h"
#include "transport/upload_transport.h"
#include "transport/web_protocols.h"

namespace clipferry {

namespace {

constexpr long kTimeoutSeconds = 50;

}  // namespace

int32_t GetUploadServer(Connection& context, ResponseBody* response) {
    if (response == nullptr || context.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    CurlBinding& curl = *context.binding;
    const std::string url = std::string(ApiHostUrl) + "/upload.xml";

    EasyHandle handle(curl, EasyHandle::Release::CleanupOnly);
    if (handle.get() == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    CURL* easy = handle.get();
    curl.EasyReset(easy);
    const int32_t allowed = AllowOnlyWebProtocols(curl, easy);
    if (allowed != CURLE_OK) return allowed;
    const int32_t proxied = UseProxy(curl, easy, context);
    if (proxied != 0) return proxied;
    curl.EasySetopt(easy, CURLOPT_URL, static_cast<const void*>(url.c_str()));
    CollectAnswer(curl, easy, response);
    curl.EasySetopt(easy, CURLOPT_TIMEOUT, kTimeoutSeconds);
    return curl.EasyPerform(easy);
}

}  // namespace clipferry
