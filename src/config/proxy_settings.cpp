#include "config/proxy_settings.h"

#include <cwctype>

#include "platform/settings.h"

namespace clipferry {

namespace {

bool Contains(const std::u16string& text, const char16_t* prefix) {
    return text.find(prefix) != std::u16string::npos;
}

}  // namespace

bool DeriveProxyAddress(const std::u16string& value, std::u16string& address) {
    static const std::u16string kHttp = u"http=";
    std::u16string candidate = value;
    bool terminated = false;
    const size_t http = value.find(kHttp);
    if (http != std::u16string::npos) {
        const std::u16string rest = value.substr(http);
        const size_t semicolon = rest.find(u';');
        if (semicolon != std::u16string::npos) {
            candidate = rest.substr(kHttp.size(), semicolon - kHttp.size());
            while (!candidate.empty() && std::iswspace(wint_t(candidate.back()))) candidate.pop_back();
            terminated = true;
        } else {
            candidate = rest.substr(kHttp.size());
        }
    }
    if (!terminated && (Contains(candidate, u"ftp=") || Contains(candidate, u"https=") ||
                        Contains(candidate, u"socks="))) {
        return false;
    }
    address = candidate;
    return true;
}

bool ChooseProxy(const std::optional<std::u16string>& recorded, std::optional<uint32_t> enabled,
                 std::u16string& address) {
    // A proxy the user switched off is not used, whatever text stays recorded.
    if (!recorded || (enabled && *enabled == 0)) return false;
    // The recorded text ends at its first NUL; an empty text means no proxy.
    const std::u16string text = recorded->substr(0, recorded->find(u'\0'));
    if (text.empty()) return false;
    return DeriveProxyAddress(text, address);
}

bool ReadProxySettings(std::u16string& address) {
    return ChooseProxy(platform::ReadProxyServerText(), platform::ReadProxyEnableValue(), address);
}

}  // namespace clipferry
