// The request bodies the service expects, written out by hand from the
// protocol's layout tables; shared by the envelope and the service tests.
#pragma once

#include <string>

namespace clipferry::testing {

inline std::string T(int count) { return std::string(size_t(count), '\t'); }

inline const std::string kHost = CLIPFERRY_API_HOST_URL;

inline const char kDeclaration[] = "<?xml version=\"1.0\"?>";
inline const char kEnvelopeStart[] =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
inline const char kBodyStart[] =
    "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";

// userName and password as they must appear on the wire (already escaped).
inline std::string ExpectedUserLogin(const std::string& userName, const std::string& password) {
    return kDeclaration + T(3) + kEnvelopeStart + T(5) + kBodyStart + T(5) +
           "<tns:UserLogin xmlns:tns=\"" + kHost + "/0.1.0/\">" + T(11) +
           "<UserLoginRequest xsi:type=\"tns:UserLoginRequest\">" + T(13) +
           "<Username xsi:type=\"xsd:string\">" + userName + "</Username>" + T(15) +
           "<Password xsi:type=\"xsd:string\">" + password + "</Password>" + T(15) +
           "</UserLoginRequest>" + T(22) + "</tns:UserLogin>" + T(22) + "</SOAP-ENV:Body>" + T(22) +
           "</SOAP-ENV:Envelope>";
}

inline std::string ExpectedGetModerators(const std::string& contactId) {
    return kDeclaration + T(3) + kEnvelopeStart + T(4) + kBodyStart + T(5) +
           "<tns:GetModerators xmlns:tns=\"" + kHost + "/0.1.0/\">" + T(10) +
           "<GetModeratorsRequest xsi:type=\"tns:GetModeratorsRequest\">" + T(11) +
           "<ContactId xsi:type=\"xsd:int\">" + contactId + "</ContactId>" + T(15) +
           "</GetModeratorsRequest>" + T(21) + "</tns:GetModerators>" + T(21) + "</SOAP-ENV:Body>" +
           T(22) + "</SOAP-ENV:Envelope>";
}

inline std::string ExpectedGetCategories(const std::string& parentId) {
    return kDeclaration + T(3) + kEnvelopeStart + T(4) + kBodyStart + T(4) +
           "<tns:GetCategories xmlns:tns=\"" + kHost + "/0.1.0/\">" + T(9) +
           "<ParentCategoryId xsi:type=\"tns:GetCategoriesRequest\">" + T(11) +
           "<ParentCategoryId xsi:type=\"xsd:int\">" + parentId + "</ParentCategoryId>" + T(10) +
           "</ParentCategoryId>" + T(21) + "</tns:GetCategories>" + T(20) + "</SOAP-ENV:Body>" + T(21) +
           "</SOAP-ENV:Envelope>";
}

inline std::string ExpectedGetFileTypes() {
    return kDeclaration + T(2) + kEnvelopeStart + T(4) + kBodyStart + T(4) +
           "<tns:GetFileTypes xmlns:tns=\"" + kHost + "/0.1.0/\">" + T(9) +
           "<GetFileTypesRequest xsi:type=\"tns:GetFileTypesRequest\">" + T(9) + "        " +
           "<MediaTypeId xsi:type=\"xsd:int\">1</MediaTypeId>" + T(13) + "</GetFileTypesRequest>" + T(20) +
           "</tns:GetFileTypes>" + T(21) + "</SOAP-ENV:Body>" + T(21) + "</SOAP-ENV:Envelope>";
}

}  // namespace clipferry::testing
