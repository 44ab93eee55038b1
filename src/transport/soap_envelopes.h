// The SOAP 1.1 request bodies of the four API calls: one line each, the tab
// runs between the items exactly as the service's other clients send them.
#pragma once

#include <cstdint>
#include <string>

#include "clipferry.h"

namespace clipferry {

// The text with & < > " ' replaced by their entity references and a carriage
// return by its character reference, so that any user name or password stays
// one well-formed text node that reads back unchanged.
std::string EscapeXmlText(const char* text);

// Converts a credential into its field (CLIPFERRY_CREDENTIAL_MAX_BYTES and a
// terminator); false when its UTF-8 form does not fit, so that a cut name or
// password is never sent, and when it holds a character no XML text can carry.
bool ToCredentialField(const char16_t* text, char (&out)[CLIPFERRY_CREDENTIAL_MAX_BYTES + 1]);

// userName and password are NUL-terminated UTF-8; they are escaped here.
std::string UserLoginEnvelope(const char* userName, const char* password);
std::string GetFileTypesEnvelope();
std::string GetCategoriesEnvelope(int32_t parentCategoryId);
std::string GetModeratorsEnvelope(int32_t contactId);

}  // namespace clipferry
