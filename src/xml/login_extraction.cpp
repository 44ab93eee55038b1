#include "xml/login_extraction.h"

#include "platform/memory.h"
#include "platform/text.h"
#include "xml/element_search.h"
#include "xml/text_to_int.h"

namespace clipferry::xml {

namespace {

// The number an element holds; a missing element reads as 0.
int32_t ReadNumber(const DomNodePtr& start, const char16_t* name) {
    char16_t text[kShortTextUnits] = {};
    CopyElementText(start, name, text, kShortTextUnits);
    return TextToInt(text);
}

}  // namespace

bool ReadLoginStatus(const ResponseDocument& document) {
    if (document.documentNode() == nullptr) return false;
    char16_t status[kShortTextUnits] = {};
    document.CopyChildText(u"return", u"LoginStatus", status, kShortTextUnits);
    return TextToInt(status) == 1;
}

int ReadLoginInformation(const ResponseDocument& document, LoginRecord& record) {
    const DomNodePtr& root = document.documentNode();
    if (root == nullptr) return 0;
    DomNodePtr information;
    FindElement(root, u"UserLoginInformation", &information);
    if (information == nullptr) return 1;

    record.contactId = ReadNumber(information, u"ContactId");
    record.showModerators = ReadNumber(information, u"ShowModerators") == 1 ? 1 : 0;
    CopyElementText(information, u"FirstName", record.firstName, kProfileFieldUnits);
    CopyElementText(information, u"LastName", record.lastName, kProfileFieldUnits);
    CopyElementText(information, u"EmailAddress", record.emailAddress, kProfileFieldUnits);

    // The key keeps at most as many units as its field has bytes, less the
    // terminator; its UTF-8 form is cut at a character boundary so that it
    // stays terminated within the field.
    char16_t key[kAuthKeyFieldBytes] = {};
    CopyElementText(information, u"AuthKey", key, kAuthKeyFieldBytes);
    // The earlier key goes whole, not only as far as the new one reaches.
    platform::WipeMemory(record.authKey, sizeof record.authKey);
    platform::Utf16ToUtf8(key, record.authKey, sizeof record.authKey);
    platform::WipeMemory(key, sizeof key);
    return 1;
}

}  // namespace clipferry::xml
