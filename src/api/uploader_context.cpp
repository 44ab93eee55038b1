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
    std::memset(settings.uploadServerUrl, 0, sizeof settings.uploadServerUrl);
    std::memset(settings.proxy, 0, sizeof settings.proxy);
    settings.logResponses = ReadLogSwitch() ? 1 : 0;
}

UploaderContext::~UploaderContext() {
    settings.binding.reset();
    settings.proxyEnabled = 0;
    ClearLoginRecord();
}

// The record holds the password and the auth key: wiped, also on release.
void UploaderContext::ClearLoginRecord() { platform::WipeMemory(&login, sizeof login); }

bool UploaderContext::Open() {
    settings.binding.reset();
    ClearLoginRecord();
    settings.proxyEnabled = 0;

    settings.proxyTooLong = false;
    std::u16string address;
    if (ReadProxySettings(address)) {
        settings.proxyEnabled = 1;
        const std::string utf8 = platform::Utf16ToUtf8(address);
        settings.proxyTooLong = utf8.size() >= sizeof settings.proxy;
        if (!settings.proxyTooLong) std::memcpy(settings.proxy, utf8.c_str(), utf8.size() + 1);
    }

    settings.binding.reset(new (std::nothrow) CurlBinding(platform::CurlLibraryFileName().c_str()));
    return settings.binding != nullptr;
}

UploaderContext* CreateUploaderContext() {
    // Owned until it is handed out, so that opening can fail, or throw when
    // memory runs out, without leaking it.
    std::unique_ptr<UploaderContext> context(new (std::nothrow) UploaderContext());
    if (context == nullptr || !context->Open()) return nullptr;
    return context.release();
}

}  // namespace clipferry
