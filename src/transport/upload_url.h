// Where an upload is posted: the discovered upload server, or the default
// upload host when discovery found none.
#pragma once

#include <string>

namespace clipferry {

// The upload URL for a discovered server address (NUL-terminated UTF-8,
// empty when none was discovered): the address, a "/" unless it ends with
// one, and "upload".
std::string UploadUrl(const char* uploadServerUrl);

}  // namespace clipferry
