// Whether the upload server accepted an upload, judged from its status text.
#pragma once

#include <cstdint>
#include <string>

#include "xml/response_document.h"

namespace clipferry {

// Accepted when the upper-cased status holds "SUCCESS" other than as part of
// "UNSUCCESS": "Success" and "upload success" are accepted, "UNSUCCESSFUL" is
// a refusal.
bool IsUploadAccepted(std::u16string status);

// The upload server's answer: CLIPFERRY_OK when its "status" is accepted,
// else CLIPFERRY_REFUSED; its "message" goes into the host's buffer when
// there is one.
int32_t ReadUploadVerdict(const xml::ResponseDocument& document, char16_t* message, uint32_t messageSize);

}  // namespace clipferry
