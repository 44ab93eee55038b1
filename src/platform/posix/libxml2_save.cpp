// Serialising a tree in the encoding its declaration names.
#include <libxml/encoding.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/posix/libxml2_io.h"
#include "platform/posix/libxml2_tree.h"

namespace clipferry::platform::libxml2 {

namespace {

struct BufferFree {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of the encoding pseudo-attribute of a declaration's data
// ("version='1.0' encoding='UTF-16'"); empty when there is none.
std::string DeclaredEncoding(const xmlChar* data) {
    if (data == nullptr) return {};
    const std::string text(reinterpret_cast<const char*>(data));
    for (size_t at = text.find("encoding"); at != std::string::npos; at = text.find("encoding", at + 1)) {
        size_t p = at + std::strlen("encoding");
        while (p < text.size() && IsSpace(text[p])) ++p;
        if (p >= text.size() || text[p] != '=') continue;
        ++p;
        while (p < text.size() && IsSpace(text[p])) ++p;
        if (p >= text.size() || (text[p] != '\'' && text[p] != '"')) continue;
        const size_t end = text.find(text[p], p + 1);
        if (end == std::string::npos) return {};
        return text.substr(p + 1, end - p - 1);
    }
    return {};
}

// Asked before the save context is made, which would report an unknown
// encoding through libxml2's global error output.
bool IsKnownEncoding(const std::string& name) {
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(name.c_str());
    if (handler == nullptr) return false;
    xmlCharEncCloseFunc(handler);
    return true;
}

bool SerialiseWith(xmlDocPtr doc, const std::string& encoding, int options, std::string& out) {
    const QuietGenericErrors quiet;
    if (!IsKnownEncoding(encoding)) return false;
    std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
    if (buffer == nullptr) return false;
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer.get(), encoding.c_str(), options);
    if (save == nullptr) return false;
    const bool written = xmlSaveDoc(save, doc) >= 0;
    const bool closed = xmlSaveClose(save) >= 0;
    if (!written || !closed) return false;
    out.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())), size_t(xmlBufferLength(buffer.get())));
    return true;
}

}  // namespace

bool Serialise(xmlDocPtr doc, std::string& out) {
    auto docNode = reinterpret_cast<xmlNodePtr>(doc);
    xmlNodePtr declaration = IsDeclaration(doc->children) ? doc->children : nullptr;
    if (declaration == nullptr) return SerialiseWith(doc, "UTF-8", XML_SAVE_NO_DECL, out);

    std::string encoding = DeclaredEncoding(declaration->content);
    if (encoding.empty()) encoding = "UTF-8";
    // The serialiser writes the declaration itself, in the right encoding;
    // the node is set aside meanwhile so that it is not written twice.
    xmlUnlinkNode(declaration);
    const bool done = SerialiseWith(doc, encoding, 0, out);
    LinkBefore(docNode, declaration, doc->children);
    return done;
}

}  // namespace clipferry::platform::libxml2
