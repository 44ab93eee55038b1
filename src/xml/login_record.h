// The result of the last successful login, kept in the uploader context.
#pragma once

#include <cstddef>
#include <cstdint>

#include "clipferry.h"

namespace clipferry {

// Bytes of a user name or password field, terminator included.
constexpr size_t kCredentialFieldBytes = CLIPFERRY_CREDENTIAL_MAX_BYTES + 1;
// Units of a profile field (first name, last name, e-mail address),
// terminator included; a longer text is cut.
constexpr size_t kProfileFieldUnits = 260;
// Bytes of the upload auth key, terminator included.
constexpr size_t kAuthKeyFieldBytes = 3072;

// The result of the last successful login; always cleared as a whole.
struct LoginRecord {
    char userName[kCredentialFieldBytes];
    char password[kCredentialFieldBytes];
    char16_t firstName[kProfileFieldUnits];
    char16_t lastName[kProfileFieldUnits];
    char16_t emailAddress[kProfileFieldUnits];
    char authKey[kAuthKeyFieldBytes];
    int32_t showModerators;
    int32_t contactId;
    int32_t loggedIn;
};

}  // namespace clipferry
