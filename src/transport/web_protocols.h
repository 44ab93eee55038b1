// Only http and https: the libcurl options that hold a transfer to them, and
// the test an address from the service passes before a request may use it.
#pragma once

#include <cstdint>

#include "transport/curl_binding.h"

namespace clipferry {

// Whether the address is an http or https URL (the scheme compared without
// case). Anything else, a URL without a scheme included, would let libcurl
// read local files or reach other ports through its other protocols.
bool IsWebUrl(const char* address);

// Allows http and https alone on the handle, for the request and for any
// redirect. 0 when set; else libcurl's refusal, and the request must not go.
int32_t AllowOnlyWebProtocols(CurlBinding& curl, CURL* handle);

}  // namespace clipferry
