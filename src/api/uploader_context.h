// The object behind the host's handle: the libcurl binding, the proxy, the
// last successful login and the switches fixed at creation.
#pragma once

#include <cstdint>
#include <memory>

#include "transport/curl_binding.h"

namespace clipferry {

// The result of the last successful login; always cleared as a whole.
struct LoginRecord {
    char userName[260];
    char password[260];
    char16_t firstName[260];
    char16_t lastName[260];
    char16_t emailAddress[260];
    char authKey[3072];
    int32_t showModerators;
    int32_t contactId;
    int32_t loggedIn;
};

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
