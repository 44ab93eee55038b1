// Logging in: on acceptance the context keeps the user's record, which every
// list and upload call needs; a refusal changes nothing.
#include <cstring>

#include "api/operation_frame.h"
#include "api/operations.h"
#include "platform/memory.h"
#include "transport/soap_envelopes.h"
#include "transport/soap_requests.h"
#include "xml/login_extraction.h"

namespace clipferry {

int32_t RunLogin(UploaderContext& context, const char16_t* userName, const char16_t* password) {
    if (context.settings.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    char user[kCredentialFieldBytes] = {};
    char secret[kCredentialFieldBytes] = {};
    if (!ToCredentialField(userName, user) || !ToCredentialField(password, secret)) return CLIPFERRY_BAD_ARGUMENT;

    const OperationPlan plan{DumpFile::Login, /*dumpUnloadedBody=*/true, CLIPFERRY_REFUSED};
    const int32_t result = RunOperation(
        context, plan,
        [&](ResponseBody* response) { return PostUserLogin(context.settings, user, secret, response); },
        [&](const xml::ResponseDocument& document) -> int32_t {
            if (!xml::ReadLoginStatus(document)) return CLIPFERRY_REFUSED;
            xml::ReadLoginInformation(document, context.login);
            std::memcpy(context.login.userName, user, sizeof user);
            std::memcpy(context.login.password, secret, sizeof secret);
            context.login.loggedIn = 1;
            return CLIPFERRY_OK;
        });
    platform::WipeMemory(secret, sizeof secret);
    return result;
}

}  // namespace clipferry
