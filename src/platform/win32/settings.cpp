// Settings come from the registry: the log switch of the installation and
// the current user's Internet Settings.
#include "platform/settings.h"

#include <windows.h>

#include <vector>

namespace clipferry::platform {

namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The current user's Internet Settings, opened for reading; false when absent.
bool OpenInternetSettings(RegistryKey& key) {
    return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                         0, 0x2003F, key.out()) == ERROR_SUCCESS;
}

}  // namespace

std::optional<uint32_t> ReadLogSwitchValue() {
    RegistryKey key;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norwend\\Clipferry\\Install\\", key.out()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key.get(), L"Log", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::u16string> ReadProxyServerText() {
    RegistryKey key;
    if (!OpenInternetSettings(key)) return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "ProxyServer", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<char> data(size_t(size) + 1, '\0');
    if (size > 0 &&
        RegQueryValueExA(key.get(), "ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    // The text ends at its first NUL or at the end of the data.
    const int length = MultiByteToWideChar(CP_ACP, 0, data.data(), -1, nullptr, 0);
    if (length <= 0) return std::u16string();
    std::u16string text(size_t(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, data.data(), -1, reinterpret_cast<wchar_t*>(text.data()), length);
    text.resize(size_t(length) - 1);
    return text;
}

std::optional<uint32_t> ReadProxyEnableValue() {
    RegistryKey key;
    if (!OpenInternetSettings(key)) return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::u16string CurlLibraryFileName() { return u"libcurl.dll"; }

}  // namespace clipferry::platform
