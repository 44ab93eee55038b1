#include "transport/soap_envelopes.h"

#include <cstring>

#include "platform/text.h"
#include "transport/service_urls.h"
#include "transport/xml_characters.h"

namespace clipferry {

namespace {

std::string Tabs(size_t count) { return std::string(count, '\t'); }

// The tab runs before each item (secondLeaf counts only when there is one).
struct TabRuns {
    size_t envelope, body, operation, wrapper, firstLeaf, secondLeaf;
    size_t wrapperEnd, operationEnd, bodyEnd, envelopeEnd;
};

struct Request {
    const char* operation;
    const char* wrapper;
    const char* wrapperType;
    std::string firstLeaf;
    std::string secondLeaf;
    // Written between the first leaf's tabs and the leaf itself.
    const char* firstLeafIndent = "";
};

std::string Leaf(const char* name, const char* type, const std::string& value) {
    return std::string("<") + name + " xsi:type=\"" + type + "\">" + value + "</" + name + ">";
}

std::string Build(const Request& request, const TabRuns& tabs) {
    const std::string operation = std::string("tns:") + request.operation;
    std::string text = "<?xml version=\"1.0\"?>";
    text += Tabs(tabs.envelope);
    text += "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
            " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
            " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
    text += Tabs(tabs.body);
    text += "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
    text += Tabs(tabs.operation);
    // The operation's namespace carries version 0.1.0, unlike the endpoint.
    text += "<" + operation + " xmlns:tns=\"" + ApiHostUrl + "/0.1.0/\">";
    text += Tabs(tabs.wrapper);
    text += std::string("<") + request.wrapper + " xsi:type=\"" + request.wrapperType + "\">";
    text += Tabs(tabs.firstLeaf) + request.firstLeafIndent + request.firstLeaf;
    if (!request.secondLeaf.empty()) text += Tabs(tabs.secondLeaf) + request.secondLeaf;
    text += Tabs(tabs.wrapperEnd) + "</" + request.wrapper + ">";
    text += Tabs(tabs.operationEnd) + "</" + operation + ">";
    text += Tabs(tabs.bodyEnd) + "</SOAP-ENV:Body>";
    text += Tabs(tabs.envelopeEnd) + "</SOAP-ENV:Envelope>";
    return text;
}

}  // namespace

bool ToCredentialField(const char16_t* text, char (&out)[CLIPFERRY_CREDENTIAL_MAX_BYTES + 1]) {
    if (!XmlCanCarry(text)) return false;
    const std::string whole = platform::Utf16ToUtf8(std::u16string(text));
    if (whole.size() >= sizeof out || whole.find('\0') != std::string::npos) return false;
    std::memcpy(out, whole.c_str(), whole.size() + 1);
    return true;
}

std::string EscapeXmlText(const char* text) {
    std::string escaped;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&apos;"; break;
            // A raw one would reach the service as a line feed.
            case '\r': escaped += "&#13;"; break;
            default: escaped += *p; break;
        }
    }
    return escaped;
}

std::string UserLoginEnvelope(const char* userName, const char* password) {
    Request request{"UserLogin", "UserLoginRequest", "tns:UserLoginRequest",
                    Leaf("Username", "xsd:string", EscapeXmlText(userName)),
                    Leaf("Password", "xsd:string", EscapeXmlText(password))};
    return Build(request, {3, 5, 5, 11, 13, 15, 15, 22, 22, 22});
}

std::string GetFileTypesEnvelope() {
    Request request{"GetFileTypes", "GetFileTypesRequest", "tns:GetFileTypesRequest",
                    Leaf("MediaTypeId", "xsd:int", "1"), "", "        "};
    return Build(request, {2, 4, 4, 9, 9, 0, 13, 20, 21, 21});
}

std::string GetCategoriesEnvelope(int32_t parentCategoryId) {
    // The wrapper shares its name with the leaf; only its type says Request.
    Request request{"GetCategories", "ParentCategoryId", "tns:GetCategoriesRequest",
                    Leaf("ParentCategoryId", "xsd:int", std::to_string(parentCategoryId)), ""};
    return Build(request, {3, 4, 4, 9, 11, 0, 10, 21, 20, 21});
}

std::string GetModeratorsEnvelope(int32_t contactId) {
    Request request{"GetModerators", "GetModeratorsRequest", "tns:GetModeratorsRequest",
                    Leaf("ContactId", "xsd:int", std::to_string(contactId)), ""};
    return Build(request, {3, 4, 5, 10, 11, 0, 15, 21, 21, 22});
}

}  // namespace clipferry
