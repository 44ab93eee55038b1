#include "transport/soap_requests.h"

#include <string>

#include "clipferry.h"
#include "transport/answer_target.h"
#include "transport/curl_handles.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/soap_envelopes.h"
#include "transport/web_protocols.h"

namespace clipferry {

namespace {

constexpr long kTimeoutSeconds = 50;

// Posts one envelope; body must stay unchanged until the transfer ends, as
// libcurl reads it in place.
int32_t PostEnvelope(Connection& context, const char* operation, const std::string& body,
                     ResponseBody* response) {
    CurlBinding& curl = *context.binding;
    const std::string url = std::string(ApiHostUrl) + "/0.1.1/api";
    const std::string soapAction = std::string("soapAction: \"") + ApiHostUrl + "/0.1.1/" + operation + "\"";

    // Without libcurl (no library, or one without libcurl's entry points)
    // nothing can be sent; the result is the one its missing perform entry
    // point stands for. A libcurl that yields no handle is out of memory: 82.
    if (!curl.HasEasyInit()) return CURLE_ABORTED_BY_CALLBACK;

    EasyHandle handle(curl);
    if (handle.get() == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    curl.EasyReset(handle.get());
    const int32_t allowed = AllowOnlyWebProtocols(curl, handle.get());
    if (allowed != CURLE_OK) return allowed;

    // Declared after the handle, so the list is freed before the handle is
    // reset and cleaned up. The empty Expect header keeps libcurl from adding
    // its own and waiting for a 100 Continue.
    HeaderList headers(curl);
    headers.Append("Expect:");
    headers.Append("Content-type: text/xml; charset=utf-8");
    headers.Append(soapAction.c_str());

    const int32_t proxied = UseProxy(curl, handle.get(), context);
    if (proxied != 0) return proxied;
    curl.EasySetopt(handle.get(), CURLOPT_HTTPHEADER, static_cast<const void*>(headers.get()));
    curl.EasySetopt(handle.get(), CURLOPT_URL, static_cast<const void*>(url.c_str()));
    curl.EasySetopt(handle.get(), CURLOPT_POST, 1L);
    curl.EasySetopt(handle.get(), CURLOPT_POSTFIELDS, static_cast<const void*>(body.c_str()));
    CollectAnswer(curl, handle.get(), response);
    curl.EasySetopt(handle.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
    return curl.EasyPerform(handle.get());
}

bool HasBinding(const Connection& context) { return context.binding != nullptr; }

}  // namespace

int32_t PostUserLogin(Connection& context, const char* userName, const char* password, ResponseBody* response) {
    if (userName == nullptr || password == nullptr || response == nullptr || !HasBinding(context))
        return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "UserLogin", UserLoginEnvelope(userName, password), response);
}

int32_t PostGetFileTypes(Connection& context, ResponseBody* response) {
    if (response == nullptr || !HasBinding(context)) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "GetFileTypes", GetFileTypesEnvelope(), response);
}

int32_t PostGetCategories(Connection& context, int32_t parentCategoryId, ResponseBody* response) {
    if (response == nullptr || !HasBinding(context) || parentCategoryId < 0) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "GetCategories", GetCategoriesEnvelope(parentCategoryId), response);
}

int32_t PostGetModerators(Connection& context, int32_t contactId, ResponseBody* response) {
    if (response == nullptr || !HasBinding(context) || contactId <= 0) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "GetModerators", GetModeratorsEnvelope(contactId), response);
}

}  // namespace clipferry
