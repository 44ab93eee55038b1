#include "transport/upload_url.h"

#include "transport/service_urls.h"

namespace clipferry {

bool EnsureTrailingSlash(std::string& text, bool append) {
    if (text.empty()) return false;
    if (text.back() == '/') return true;
    if (append) text.push_back('/');
    return false;
}

std::string UploadUrl(const char* uploadServerUrl) {
    if (uploadServerUrl == nullptr || *uploadServerUrl == '\0') return std::string(UploadHostUrl) + "/upload";
    std::string url(uploadServerUrl);
    EnsureTrailingSlash(url, true);
    return url + "upload";
}

}  // namespace clipferry
