// The object behind the host's handle: the request settings it holds and
// hands to every request (libcurl binding, proxy, log switch) and the last
// successful login.
#pragma once

#include <cstdint>

#include "transport/request_settings.h"
#include "xml/login_record.h"

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

    RequestSettings settings;
    LoginRecord login;
};

// Whether the stored log switch asks for response dumps (exactly 999).
bool ReadLogSwitch();

// Creates and opens a context; null when memory cannot be had.
UploaderContext* CreateUploaderContext();

}  // namespace clipferry
