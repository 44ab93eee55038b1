// Hostile-input parsing: no network, no document type declaration (so no
// entity of any kind to expand or fetch), errors kept off the host's stderr.
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/libxml2_io.h"
#include "platform/posix/libxml2_tree.h"

namespace clipferry::platform::libxml2 {

namespace {

// Never XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct ParserContextFree {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};

// The structured error handler takes a const error from libxml2 2.12 on.
#if LIBXML_VERSION >= 21200
void IgnoreError(void*, const xmlError*) {}
#else
void IgnoreError(void*, xmlErrorPtr) {}
#endif

// Service answers never carry a document type declaration, and one is the
// only way into entity expansion, whose cost libxml2 does not bound when a
// node's text is read later. The parse ends at the name of the declaration,
// before its internal subset is read, and the text counts as not well-formed.
void RefuseDocumentType(void* userData, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* context = static_cast<xmlParserCtxtPtr>(userData);
    context->wellFormed = 0;
    xmlStopParser(context);
}

// Text handler that notes whether any whitespace-only text arrived (the
// context's _private points at the note), so that a document without any is
// not walked for it.
void NoteBlankText(void* userData, const xmlChar* text, int length) {
    auto* context = static_cast<xmlParserCtxtPtr>(userData);
    if (context->_private != nullptr && !*static_cast<bool*>(context->_private)) {
        bool blank = true;
        for (int i = 0; i < length && blank; ++i)
            blank = text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r';
        *static_cast<bool*>(context->_private) = blank;
    }
    xmlSAX2Characters(userData, text, length);
}

// Whether xml:space asks for the element's whitespace to be kept: its own
// attribute when it has one, else what it inherits.
bool PreservesSpace(xmlNodePtr element, bool inherited) {
    if (element->properties == nullptr) return inherited;
    xmlChar* value = xmlGetNsProp(element, reinterpret_cast<const xmlChar*>("space"), XML_XML_NAMESPACE);
    if (value == nullptr) return inherited;
    const char* text = reinterpret_cast<const char*>(value);
    const bool preserve = std::strcmp(text, "preserve") == 0 || (inherited && std::strcmp(text, "default") != 0);
    xmlFree(value);
    return preserve;
}

// Whitespace-only text that sits beside elements is layout, not content;
// text alone in an element ("<a> </a>") is kept, as is xml:space="preserve".
// One pass over the elements, each looked at once.
void DropBlankText(xmlDocPtr doc) {
    std::vector<std::pair<xmlNodePtr, bool>> pending;
    for (xmlNodePtr child = doc->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) pending.emplace_back(child, false);
    while (!pending.empty()) {
        const auto [element, inherited] = pending.back();
        pending.pop_back();
        const bool preserve = PreservesSpace(element, inherited);
        bool hasElement = false;
        bool hasText = false;
        for (xmlNodePtr child = element->children; child != nullptr; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) {
                hasElement = true;
                pending.emplace_back(child, preserve);
            } else if (child->type == XML_TEXT_NODE) {
                hasText = true;
            }
        }
        if (!hasElement || !hasText || preserve) continue;
        xmlNodePtr child = element->children;
        while (child != nullptr) {
            xmlNodePtr next = child->next;
            if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            }
            child = next;
        }
    }
}

// libxml2 keeps the declaration as document properties; the DOM shows it as
// the document's first child.
void PresentDeclaration(xmlDocPtr doc) {
    if (doc->standalone == -1) return;  // the text had no declaration
    std::string data = "version=\"";
    data += doc->version != nullptr ? reinterpret_cast<const char*>(doc->version) : "1.0";
    data += '"';
    if (doc->encoding != nullptr) {
        data += " encoding=\"";
        data += reinterpret_cast<const char*>(doc->encoding);
        data += '"';
    }
    if (doc->standalone == 1) data += " standalone=\"yes\"";
    if (doc->standalone == 0) data += " standalone=\"no\"";
    xmlNodePtr declaration = xmlNewDocPI(doc, reinterpret_cast<const xmlChar*>("xml"),
                                         reinterpret_cast<const xmlChar*>(data.c_str()));
    if (declaration != nullptr) LinkBefore(reinterpret_cast<xmlNodePtr>(doc), declaration, doc->children);
}

}  // namespace

xmlDocPtr ParseUntrusted(const std::string& bytes) {
    if (bytes.size() > size_t(INT_MAX)) return nullptr;
    xmlInitParser();
    const QuietGenericErrors quiet;
    std::unique_ptr<xmlParserCtxt, ParserContextFree> context(xmlNewParserCtxt());
    if (context == nullptr || context->sax == nullptr) return nullptr;
    // The handler table is this context's own copy: the host's libxml2
    // settings are left alone.
    context->sax->serror = IgnoreError;
    context->sax->internalSubset = RefuseDocumentType;
    context->sax->characters = NoteBlankText;
    context->sax->ignorableWhitespace = NoteBlankText;
    bool blankText = false;
    context->_private = &blankText;
    HeldDoc doc(xmlCtxtReadMemory(context.get(), bytes.data(), int(bytes.size()), nullptr, nullptr,
                                  kParseOptions));
    // A parse that ran out of memory stops where it was and still counts as
    // well-formed: the tree it leaves is only a part of the text.
    if (doc == nullptr || !context->wellFormed || context->errNo == XML_ERR_NO_MEMORY ||
        doc->intSubset != nullptr || doc->extSubset != nullptr)
        return nullptr;
    // Without the note, assume there was some.
    if (blankText || context->_private == nullptr) DropBlankText(doc.get());
    PresentDeclaration(doc.get());
    return doc.release();
}

}  // namespace clipferry::platform::libxml2
