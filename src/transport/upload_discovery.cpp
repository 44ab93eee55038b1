// Upload server discovery's request: a plain GET of the API host's
// upload.xml, whose "url" element names the server the next upload goes to.
#include <string>

#include "clipferry.h"
#include "transport/curl_handles.h"
#include "transport/request_setup.h"
#include "transport/service_urls.h"
#include "transport/upload_transport.h"

namespace clipferry {

int32_t GetDiscovery(RequestSettings& context, ResponseBody* response, ProgressCallback progress,
                     void* progressData) {
    if (response == nullptr || context.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    const std::string url = std::string(ApiHostUrl) + "/upload.xml";
    EasyHandle handle(*context.binding);
    const int32_t prepared = PrepareRequest(context, handle, url.c_str(), response, TimeLimit::kWholeExchange);
    if (prepared != CURLE_OK) return prepared;
    // The host's callback is its only way in while the API host is slow to
    // answer: a cancel must not wait for the discovery's 50 s.
    if (progress != nullptr) SetProgressCallback(*context.binding, handle.get(), progress, progressData);
    return context.binding->EasyPerform(handle.get());
}

}  // namespace clipferry
