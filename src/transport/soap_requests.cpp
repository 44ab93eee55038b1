// The four SOAP calls: each its envelope and its headers on the shared set-up.
#include "transport/soap_requests.h"

#include <string>

#include "clipferry.h"
#include "transport/curl_handles.h"
#include "transport/request_setup.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/soap_envelopes.h"

namespace clipferry {

namespace {

// Posts one envelope; body must stay unchanged until the transfer ends, as
// libcurl reads it in place.
int32_t PostEnvelope(RequestSettings& context, const char* operation, const std::string& body,
                     ResponseBody* response) {
    if (response == nullptr || context.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    CurlBinding& curl = *context.binding;
    const std::string url = std::string(ApiHostUrl) + "/0.1.1/api";
    const std::string soapAction = std::string("soapAction: \"") + ApiHostUrl + "/0.1.1/" + operation + "\"";

    EasyHandle handle(curl);
    const int32_t prepared = PrepareRequest(context, handle, url.c_str(), response, TimeLimit::kWholeExchange);
    if (prepared != CURLE_OK) return prepared;
    // Declared after the handle, so the list is freed before the handle is
    // reset and cleaned up. The empty Expect header keeps libcurl from adding
    // its own and waiting for a 100 Continue.
    HeaderList headers(curl);
    headers.Append("Expect:");
    headers.Append("Content-type: text/xml; charset=utf-8");
    headers.Append(soapAction.c_str());
    // Without its soapAction the service cannot tell the call, and its fault
    // would read as a refused login or an empty list.
    if (!headers.Complete()) return CURLE_OUT_OF_MEMORY;
    curl.EasySetopt(handle.get(), CURLOPT_HTTPHEADER, static_cast<const void*>(headers.get()));
    curl.EasySetopt(handle.get(), CURLOPT_POST, 1L);
    curl.EasySetopt(handle.get(), CURLOPT_POSTFIELDS, static_cast<const void*>(body.c_str()));
    return curl.EasyPerform(handle.get());
}

}  // namespace

int32_t PostUserLogin(RequestSettings& context, const char* userName, const char* password, ResponseBody* response) {
    if (userName == nullptr || password == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "UserLogin", UserLoginEnvelope(userName, password), response);
}

int32_t PostGetFileTypes(RequestSettings& context, ResponseBody* response) {
    return PostEnvelope(context, "GetFileTypes", GetFileTypesEnvelope(), response);
}

int32_t PostGetCategories(RequestSettings& context, int32_t parentCategoryId, ResponseBody* response) {
    if (parentCategoryId < 0) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "GetCategories", GetCategoriesEnvelope(parentCategoryId), response);
}

int32_t PostGetModerators(RequestSettings& context, int32_t contactId, ResponseBody* response) {
    if (contactId <= 0) return CLIPFERRY_BAD_ARGUMENT;
    return PostEnvelope(context, "GetModerators", GetModeratorsEnvelope(contactId), response);
}

}  // namespace clipferry
