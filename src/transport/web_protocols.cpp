#include "transport/web_protocols.h"

namespace clipferry {

namespace {

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        char unit = *text;
        if (unit >= 'A' && unit <= 'Z') unit = char(unit - 'A' + 'a');
        if (unit != *prefix) return false;
    }
    return true;
}

}  // namespace

bool IsWebUrl(const char* address) {
    return address != nullptr && (StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://"));
}

int32_t AllowOnlyWebProtocols(CurlBinding& curl, CURL* handle) {
    // libcurl 7.85.0 and later take the protocols by name; the bitmask options
    // they replace still work there but are deprecated. Versions from 7.19.4
    // up to 7.84 know only the bitmask and refuse the named options as
    // unknown (48), so a refusal falls back to the bitmask. The library loads
    // whichever libcurl the system has, so the choice is made per request.
    if (curl.EasySetopt(handle, CURLOPT_PROTOCOLS_STR, static_cast<const void*>("http,https")) == CURLE_OK &&
        curl.EasySetopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, static_cast<const void*>("http,https")) == CURLE_OK)
        return CURLE_OK;
    const long web = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    const CURLcode result = curl.EasySetopt(handle, CURLOPT_PROTOCOLS, web);
    if (result != CURLE_OK) return result;
    return curl.EasySetopt(handle, CURLOPT_REDIR_PROTOCOLS, web);
}

}  // namespace clipferry
