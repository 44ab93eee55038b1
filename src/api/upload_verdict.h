// Whether the upload server accepted an upload, judged from its status text.
#pragma once

#include <string>

namespace clipferry {

// Accepted when the upper-cased status holds "SUCCESS" other than as part of
// "UNSUCCESS": "Success" and "upload success" are accepted, "UNSUCCESSFUL" is
// a refusal.
bool IsUploadAccepted(std::u16string status);

}  // namespace clipferry
