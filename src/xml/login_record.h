// The result of the last successful login, kept in the uploader context.
#pragma once

#include <cstdint>

namespace clipferry {

// The result of the last successful login; always cleared as a whole.
struct LoginRecord {
    char userName[260];
    char password[260];
    char16_t firstName[260];
    char16_t lastName[260];
    char16_t emailAddress[260];
    char authKey[3072];
    int32_t showModerators;
    int32_t contactId;
    int32_t loggedIn;
};

}  // namespace clipferry
