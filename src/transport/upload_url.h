// Where an upload is posted: the discovered upload server, or the default
// upload host when discovery found none.
#pragma once

#include <string>

namespace clipferry {

// Tells whether text ends with "/"; when it does not and append is set, adds
// one. An empty text gives false and stays empty.
bool EnsureTrailingSlash(std::string& text, bool append);

// The upload URL for a discovered server address (NUL-terminated UTF-8,
// empty when none was discovered).
std::string UploadUrl(const char* uploadServerUrl);

}  // namespace clipferry
