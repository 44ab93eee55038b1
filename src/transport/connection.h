// What every request needs from the uploader context: the libcurl binding,
// the proxy, the upload server found by discovery and the log switch. The
// context one floor up is a Connection with the login added.
#pragma once

#include <cstdint>
#include <memory>

#include "transport/curl_binding.h"

namespace clipferry {

struct Connection {
    std::unique_ptr<CurlBinding> binding;
    int32_t logResponses = 0;
    char uploadServerUrl[1040];
    char proxy[260];
    int32_t proxyEnabled = 0;
};

}  // namespace clipferry
