// Logging in: on acceptance the context keeps the user's record, which every
// list and upload call needs; a refusal changes nothing.
#include <cstring>

#include "api/operation_frame.h"
#include "api/operations.h"
#include "platform/text.h"
#include "transport/soap_requests.h"
#include "xml/login_extraction.h"

namespace clipferry {

namespace {

// Converts a credential into its 260-byte field; false when its UTF-8 form
// does not fit, so that a cut name or password is never sent.
bool ToCredential(const char16_t* text, char (&out)[260]) {
    const std::string whole = platform::Utf16ToUtf8(std::u16string(text));
    if (whole.size() >= sizeof out || whole.find('\0') != std::string::npos) return false;
    std::memcpy(out, whole.c_str(), whole.size() + 1);
    return true;
}

}  // namespace

int32_t RunLogin(UploaderContext& context, const char16_t* userName, const char16_t* password) {
    if (context.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    char user[260] = {};
    char secret[260] = {};
    if (!ToCredential(userName, user) || !ToCredential(password, secret)) return CLIPFERRY_BAD_ARGUMENT;

    const OperationPlan plan{DumpFile::Login, /*dumpUnloadedBody=*/true, CLIPFERRY_REFUSED};
    const int32_t result = RunOperation(
        context, plan,
        [&](ResponseBody* response) { return PostUserLogin(context, user, secret, response); },
        [&](const xml::ResponseDocument& document) -> int32_t {
            if (!xml::ReadLoginStatus(document)) return CLIPFERRY_REFUSED;
            xml::ReadLoginInformation(document, context.login);
            std::memcpy(context.login.userName, user, sizeof user);
            std::memcpy(context.login.password, secret, sizeof secret);
            context.login.loggedIn = 1;
            return CLIPFERRY_OK;
        });
    std::memset(secret, 0, sizeof secret);
    return result;
}

}  // namespace clipferry
