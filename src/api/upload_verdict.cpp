// Reading the verdict of an upload from its answer.
#include "api/upload_verdict.h"

#include "clipferry.h"
#include "platform/text.h"
#include "xml/element_search.h"

namespace clipferry {

bool IsUploadAccepted(std::u16string status) {
    platform::UpperCaseInPlace(status);
    static const std::u16string kSuccess = u"SUCCESS";
    for (size_t at = status.find(kSuccess); at != std::u16string::npos; at = status.find(kSuccess, at + 1)) {
        const bool negated = at >= 2 && status.compare(at - 2, 2, u"UN") == 0;
        if (!negated) return true;
    }
    return false;
}

int32_t ReadUploadVerdict(const xml::ResponseDocument& document, char16_t* message, uint32_t messageSize) {
    char16_t status[xml::kShortTextUnits] = {};
    document.LookupText(u"status", status, xml::kShortTextUnits);
    if (message != nullptr && messageSize > 0) document.LookupText(u"message", message, messageSize);
    return IsUploadAccepted(status) ? CLIPFERRY_OK : CLIPFERRY_REFUSED;
}

}  // namespace clipferry
