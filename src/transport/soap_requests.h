// The four SOAP calls of the API host. Each posts its envelope through the
// context's libcurl binding (and its proxy, when one is enabled) and collects
// the whole body in the caller's response buffer, whatever the HTTP status.
//
// response is the caller's empty ResponseBody; it holds whatever arrived,
// whatever the result, until the caller drops it.
//
// Results: 82 before any transfer when an argument is missing or out of
// range, the context has no binding, or libcurl yields no easy handle; 42
// when libcurl is not loaded, or what loaded lacks curl_easy_init or the
// perform entry point; 5 when the chosen proxy did not fit its field;
// otherwise libcurl's result unchanged (0 when the
// exchange completed). Memory exhaustion while building the request throws
// std::bad_alloc before anything is sent.
#pragma once

#include <cstdint>

#include "transport/request_settings.h"
#include "transport/response_buffer.h"

namespace clipferry {

// userName and password are NUL-terminated UTF-8.
int32_t PostUserLogin(RequestSettings& context, const char* userName, const char* password, ResponseBody* response);
int32_t PostGetFileTypes(RequestSettings& context, ResponseBody* response);
// parentCategoryId 0 asks for the top categories; negative ids give 82.
int32_t PostGetCategories(RequestSettings& context, int32_t parentCategoryId, ResponseBody* response);
// contactId must be positive.
int32_t PostGetModerators(RequestSettings& context, int32_t contactId, ResponseBody* response);

}  // namespace clipferry
