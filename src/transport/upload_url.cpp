// Where an upload is posted.
#include "transport/upload_url.h"

#include "transport/service_urls.h"

namespace clipferry {

std::string UploadUrl(const char* uploadServerUrl) {
    if (uploadServerUrl == nullptr || *uploadServerUrl == '\0') return std::string(UploadHostUrl) + "/upload";
    std::string url(uploadServerUrl);
    if (url.back() != '/') url.push_back('/');
    return url + "upload";
}

}  // namespace clipferry
