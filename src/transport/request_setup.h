// The set-up every request shares, in one place: a fresh handle held to http
// and https, the context's proxy, the address, the answer collected up to the
// ceiling, and the time limit. Each request then adds only what is its own.
#pragma once

#include <cstdint>

#include "clipferry.h"
#include "transport/curl_handles.h"
#include "transport/request_settings.h"
#include "transport/response_buffer.h"

namespace clipferry {

// How long a request may take. A login, a list or the discovery: 50 s for
// the whole exchange (resolving, connecting, sending and the whole answer).
// An upload: until nothing has moved either way for 500 s (under 1 byte per
// second), never for its length alone, so that a large file over a slow but
// steady link still arrives; the host's progress callback can cancel sooner.
enum class TimeLimit { kWholeExchange, kStandstill };

constexpr long kWholeExchangeSeconds = 50;
constexpr long kStandstillBytesPerSecond = 1;
constexpr long kStandstillSeconds = 500;

// Sets up handle, made from context's binding, for a request to url whose
// answer goes to response. An answer that declares more than the ceiling is
// refused by libcurl before any of it arrives (63); one without a declared
// length is stopped by the write callback at the ceiling.
//
// Results: 0 when the request may go (the caller adds its own options and
// performs it); 42 when what was loaded has no curl_easy_init, so nothing
// can be sent; 82 when libcurl yields no handle; kProxyUnusable when the
// chosen proxy did not fit its field; libcurl's refusal of the protocol
// options. On any result but 0 nothing may be sent.
int32_t PrepareRequest(RequestSettings& context, const EasyHandle& handle, const char* url, ResponseBody* response,
                       TimeLimit limit);

// Has libcurl call the host's progress callback with data during the
// transfer on handle; a non-zero return aborts it with 42.
void SetProgressCallback(CurlBinding& curl, CURL* handle, ProgressCallback progress, void* data);

}  // namespace clipferry
