// The set-up every request shares.
#include "transport/request_setup.h"

#include "clipferry.h"
#include "transport/web_protocols.h"

namespace clipferry {

int32_t PrepareRequest(RequestSettings& context, const EasyHandle& handle, const char* url, ResponseBody* response,
                       TimeLimit limit) {
    CurlBinding& curl = *context.binding;
    // Without libcurl (no library, or one without libcurl's entry points)
    // nothing can be sent: the result its missing entry point stands for. A
    // libcurl that yields no handle is out of memory.
    if (handle.get() == nullptr) return curl.HasEasyInit() ? int32_t(CLIPFERRY_BAD_ARGUMENT) : int32_t(CURLE_ABORTED_BY_CALLBACK);
    if (context.proxyTooLong) return kProxyUnusable;
    CURL* easy = handle.get();
    curl.EasyReset(easy);
    const int32_t allowed = AllowOnlyWebProtocols(curl, easy);
    if (allowed != CURLE_OK) return allowed;
    if (context.proxyEnabled) curl.EasySetopt(easy, CURLOPT_PROXY, static_cast<const void*>(context.proxy));
    curl.EasySetopt(easy, CURLOPT_URL, static_cast<const void*>(url));
    curl.EasySetopt(easy, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(AppendResponseChunk));
    curl.EasySetopt(easy, CURLOPT_WRITEDATA, static_cast<const void*>(response));
    curl.EasySetopt(easy, CURLOPT_MAXFILESIZE, static_cast<long>(kAnswerCeiling));
    if (limit == TimeLimit::kWholeExchange) {
        curl.EasySetopt(easy, CURLOPT_TIMEOUT, kWholeExchangeSeconds);
    } else {
        curl.EasySetopt(easy, CURLOPT_LOW_SPEED_LIMIT, kStandstillBytesPerSecond);
        curl.EasySetopt(easy, CURLOPT_LOW_SPEED_TIME, kStandstillSeconds);
    }
    return CURLE_OK;
}

void SetProgressCallback(CurlBinding& curl, CURL* handle, ProgressCallback progress, void* data) {
    curl.EasySetopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl.EasySetopt(handle, CURLOPT_PROGRESSFUNCTION, static_cast<curl_progress_callback>(progress));
    curl.EasySetopt(handle, CURLOPT_PROGRESSDATA, data);
}

}  // namespace clipferry
