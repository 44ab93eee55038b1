// Hostile-input parsing: no network, no external DTD or entity, entity
// expansion within libxml2's own limits, errors kept off the host's stderr.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>
#include <string>
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

void IgnoreError(void*, xmlErrorPtr) {}

xmlParserInputPtr RefuseEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }

void IgnoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

bool HasElementChild(xmlNodePtr node) {
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) return true;
    return false;
}

// Whitespace-only text that sits beside elements is layout, not content;
// text alone in an element ("<a> </a>") is kept, as is xml:space="preserve".
void DropBlankText(xmlDocPtr doc) {
    std::vector<xmlNodePtr> pending;
    for (xmlNodePtr child = doc->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) pending.push_back(child);
    while (!pending.empty()) {
        xmlNodePtr element = pending.back();
        pending.pop_back();
        const bool dropBlanks = HasElementChild(element) && xmlNodeGetSpacePreserve(element) != 1;
        xmlNodePtr child = element->children;
        while (child != nullptr) {
            xmlNodePtr next = child->next;
            if (child->type == XML_ELEMENT_NODE) {
                pending.push_back(child);
            } else if (dropBlanks && child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
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
    std::unique_ptr<xmlParserCtxt, ParserContextFree> context(xmlNewParserCtxt());
    if (context == nullptr || context->sax == nullptr) return nullptr;
    // The handler table is this context's own copy: the host's libxml2
    // settings are left alone.
    context->sax->serror = IgnoreError;
    context->sax->resolveEntity = RefuseEntity;
    context->sax->externalSubset = IgnoreExternalSubset;
    xmlDocPtr doc = xmlCtxtReadMemory(context.get(), bytes.data(), int(bytes.size()), nullptr, nullptr,
                                      kParseOptions);
    if (doc != nullptr && !context->wellFormed) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    if (doc == nullptr) return nullptr;
    DropBlankText(doc);
    PresentDeclaration(doc);
    return doc;
}

}  // namespace clipferry::platform::libxml2
