// Arbitrary user names and passwords, as the host hands them over, into the
// login envelope: whenever the login accepts them, the envelope parses as XML
// and gives back exactly the credentials put in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "transport/soap_envelopes.h"

namespace {

// The first element named name, depth first.
xmlNode* FindElement(xmlNode* node, const char* name) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0)
            return node;
        if (xmlNode* found = FindElement(node->children, name)) return found;
    }
    return nullptr;
}

bool HoldsText(xmlNode* root, const char* name, const char* expected) {
    xmlNode* element = FindElement(root, name);
    if (element == nullptr) return false;
    xmlChar* content = xmlNodeGetContent(element);
    const bool same = content != nullptr && std::strcmp(reinterpret_cast<const char*>(content), expected) == 0;
    xmlFree(content);
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // UTF-16 units; the first NUL unit ends the user name, the rest is the password.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    const size_t end = units.find(u'\0');
    const std::u16string userName = units.substr(0, end);
    const std::u16string password = end == std::u16string::npos ? std::u16string() : units.substr(end + 1);

    char user[260] = {};
    char secret[260] = {};
    if (!clipferry::ToCredentialField(userName.c_str(), user) ||
        !clipferry::ToCredentialField(password.c_str(), secret))
        return 0;

    const std::string envelope = clipferry::UserLoginEnvelope(user, secret);
    xmlDoc* document = xmlReadMemory(envelope.data(), int(envelope.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (document == nullptr) std::abort();
    xmlNode* root = xmlDocGetRootElement(document);
    const bool same = HoldsText(root, "Username", user) && HoldsText(root, "Password", secret);
    xmlFreeDoc(document);
    if (!same) std::abort();
    return 0;
}
