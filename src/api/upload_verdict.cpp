#include "api/upload_verdict.h"

#include "platform/text.h"

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

}  // namespace clipferry
