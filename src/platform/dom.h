// A small XML DOM of our own: the operations the response documents need,
// with COM-style statuses, implemented over the system's XML library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace clipferry::platform {

// 0 success; 1 success with a negative answer ("no such node"); negative
// values failure.
using DomStatus = int32_t;
constexpr DomStatus kDomOk = 0;
constexpr DomStatus kDomNone = 1;
constexpr DomStatus kDomFail = int32_t(0x80004005);        // generic failure
constexpr DomStatus kDomInvalidArg = int32_t(0x80070057);  // bad or foreign node, bad name
constexpr DomStatus kDomOutOfMemory = int32_t(0x8007000E);

class DomNode;
class DomDocument;
// A counted handle: a node stays usable while a handle is held, also after it
// has been removed from its document.
using DomNodePtr = std::shared_ptr<DomNode>;
using DomDocumentPtr = std::shared_ptr<DomDocument>;

class DomNode {
public:
    virtual ~DomNode() = default;

    // kDomNone and a null out when there is no such node.
    virtual DomStatus FirstChild(DomNodePtr& out) = 0;
    virtual DomStatus NextSibling(DomNodePtr& out) = 0;

    // The qualified name as written for an element, the target for a
    // processing instruction, "#text", "#comment", "#cdata-section",
    // "#document" for the others.
    virtual DomStatus Name(std::u16string& out) = 0;

    // The text of the node and all its descendants, in document order,
    // references resolved.
    virtual DomStatus Text(std::u16string& out) = 0;

    // kDomOk when the node is an element (which has an attribute map).
    virtual DomStatus GetAttributes() = 0;

    virtual DomStatus RemoveChild(const DomNodePtr& child) = 0;
    virtual DomStatus AppendChild(const DomNodePtr& child) = 0;
    // A null reference appends.
    virtual DomStatus InsertBefore(const DomNodePtr& child, const DomNodePtr& reference) = 0;
};

class DomDocument {
public:
    virtual ~DomDocument() = default;

    virtual DomStatus SetAsync(bool async) = 0;

    // Parses the file, detecting its encoding from a byte-order mark, then
    // its declaration, else UTF-8. An XML declaration shows as a first child
    // processing instruction "xml"; whitespace-only text between elements is
    // dropped. When the file is not well-formed, succeeded is false and the
    // document is left empty.
    //
    // A document type declaration makes the file count as not well-formed:
    // service answers carry none, and its entities could make one small file
    // expand without bound. The load stops there, before any declaration
    // inside it is read or anything is expanded or fetched.
    virtual DomStatus Load(const char16_t* path, bool& succeeded) = 0;

    // Load for bytes already in memory, read as the file holding them would be.
    virtual DomStatus LoadBytes(const char* bytes, size_t count, bool& succeeded) = 0;

    // New nodes belong to the document but stand outside its tree until
    // appended or inserted.
    virtual DomStatus CreateProcessingInstruction(const char16_t* target, const char16_t* data,
                                                  DomNodePtr& out) = 0;
    virtual DomStatus CreateElement(const char16_t* name, DomNodePtr& out) = 0;

    // The document viewed as a node, the start of every search.
    virtual DomStatus AsNode(DomNodePtr& out) = 0;
};

// A new, empty document.
DomStatus CreateDomDocument(DomDocumentPtr& out);

}  // namespace clipferry::platform
