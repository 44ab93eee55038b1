// What a login answer says: whether the service accepted the user, and the
// user's record (contact id, moderator switch, profile, upload auth key).
#pragma once

#include "xml/login_record.h"
#include "xml/response_document.h"

namespace clipferry::xml {

// True when "LoginStatus", a direct child of "return", reads 1.
bool ReadLoginStatus(const ResponseDocument& document);

// Copies "UserLoginInformation" into the record. Fields the answer lacks keep
// their values, except the contact id, the moderator switch and the auth key,
// which are always rewritten when the element is present. 0 when the document
// was never opened, else 1.
int ReadLoginInformation(const ResponseDocument& document, LoginRecord& record);

}  // namespace clipferry::xml
