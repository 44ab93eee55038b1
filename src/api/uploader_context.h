// The object behind the host's handle: the libcurl binding, the proxy, the
// last successful login and the switches fixed at creation.
#pragma once

#include <cstdint>
#include <memory>

#include "api/login_record.h"
#include "transport/curl_binding.h"

namespace clipferry {

class UploaderContext {
public:
    UploaderContext();
    virtual ~UploaderContext();
    UploaderContext(const UploaderContext&) = delete;
    UploaderContext& operator=(const UploaderContext&) = delete;

    // Derives the proxy and binds libcurl; false only when the binding
    // cannot be allocated.
    bool Open();
    void ClearLoginRecord();

    std::unique_ptr<CurlBinding> binding;
    LoginRecord login;
    int32_t logResponses = 0;
    char uploadServerUrl[1040];
    char proxy[260];
    int32_t proxyEnabled = 0;
};

// Whether the stored log switch asks for response dumps (exactly 999).
bool ReadLogSwitch();

// Creates and opens a context; null when memory cannot be had.
UploaderContext* CreateUploaderContext();

}  // namespace clipferry
