// Settings come from environment variables, read when a context is created.
#include "platform/settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace clipferry::platform {

namespace {

const char* Variable(const char* name) { return std::getenv(name); }

}  // namespace

std::optional<uint32_t> ReadLogSwitchValue() {
    const char* text = Variable("CLIPFERRY_LOG");
    if (text == nullptr || *text < '0' || *text > '9') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<std::u16string> ReadProxyServerText() {
    const char* text = Variable("CLIPFERRY_PROXY_SERVER");
    if (text == nullptr) return std::nullopt;
    return Utf8ToUtf16(text, std::strlen(text));
}

std::optional<uint32_t> ReadProxyEnableValue() { return std::nullopt; }

std::u16string CurlLibraryFileName() {
    const char* chosen = Variable("CLIPFERRY_CURL_LIBRARY");
    if (chosen != nullptr && *chosen != '\0') return Utf8ToUtf16(chosen, std::strlen(chosen));
    return u"libcurl.so.4";
}

}  // namespace clipferry::platform
