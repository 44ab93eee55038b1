#include "api/uploader_context.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "config/proxy_settings.h"
#include "platform/memory.h"
#include "platform/settings.h"
#include "platform/text.h"

namespace clipferry {

bool ReadLogSwitch() {
    const auto value = platform::ReadLogSwitchValue();
    return value && *value == 999;
}

UploaderContext::UploaderContext() {
    ClearLoginRecord();
    std::memset(uploadServerUrl, 0, sizeof uploadServerUrl);
    std::memset(proxy, 0, sizeof proxy);
    logResponses = ReadLogSwitch() ? 1 : 0;
}

UploaderContext::~UploaderContext() {
    binding.reset();
    proxyEnabled = 0;
    ClearLoginRecord();
}

// The record holds the password and the auth key: wiped, also on release.
void UploaderContext::ClearLoginRecord() { platform::WipeMemory(&login, sizeof login); }

bool UploaderContext::Open() {
    binding.reset();
    ClearLoginRecord();
    proxyEnabled = 0;

    proxyTooLong = false;
    std::u16string address;
    if (ReadProxySettings(address)) {
        proxyEnabled = 1;
        const std::string utf8 = platform::Utf16ToUtf8(address);
        proxyTooLong = utf8.size() >= sizeof proxy;
        if (!proxyTooLong) std::memcpy(proxy, utf8.c_str(), utf8.size() + 1);
    }

    binding.reset(new (std::nothrow) CurlBinding(platform::CurlLibraryFileName().c_str()));
    return binding != nullptr;
}

UploaderContext* CreateUploaderContext() {
    // Owned until it is handed out, so that opening can fail, or throw when
    // memory runs out, without leaking it.
    std::unique_ptr<UploaderContext> context(new (std::nothrow) UploaderContext());
    if (context == nullptr || !context->Open()) return nullptr;
    return context.release();
}

}  // namespace clipferry
