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
    // A proxy was chosen whose address does not fit proxy: cut, it would name
    // another host or port, so no request may go at all.
    bool proxyTooLong = false;
};

// libcurl's "could not resolve the proxy": what every request gives, before
// anything is sent, while the chosen proxy is unusable.
constexpr int32_t kProxyUnusable = 5;

// Sets the request's proxy, when one is chosen. kProxyUnusable when the
// chosen one did not fit, and the request must not go; else 0.
inline int32_t UseProxy(CurlBinding& curl, CURL* handle, const Connection& context) {
    if (context.proxyTooLong) return kProxyUnusable;
    if (context.proxyEnabled) curl.EasySetopt(handle, CURLOPT_PROXY, static_cast<const void*>(context.proxy));
    return 0;
}

}  // namespace clipferry
