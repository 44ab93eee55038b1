// What every request needs from the uploader context: the libcurl binding,
// the proxy, the upload server found by discovery and the log switch. The
// context one floor up holds these and the login.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "transport/curl_binding.h"

namespace clipferry {

// Bytes of the proxy address field, terminator included.
constexpr size_t kProxyFieldBytes = 260;
// Bytes of the discovered upload server address field, terminator included.
constexpr size_t kUploadServerFieldBytes = 1040;

struct RequestSettings {
    std::unique_ptr<CurlBinding> binding;
    int32_t logResponses = 0;
    char uploadServerUrl[kUploadServerFieldBytes];
    char proxy[kProxyFieldBytes];
    int32_t proxyEnabled = 0;
    // A proxy was chosen whose address does not fit proxy: cut, it would name
    // another host or port, so no request may go at all.
    bool proxyTooLong = false;
};

// libcurl's "could not resolve the proxy": what every request gives, before
// anything is sent, while the chosen proxy is unusable.
constexpr int32_t kProxyUnusable = 5;

}  // namespace clipferry
