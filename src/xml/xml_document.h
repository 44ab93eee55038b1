// The owner of one DOM document: creating and loading it.
#pragma once

#include <cstddef>

#include "platform/dom.h"

namespace clipferry::xml {

using platform::DomDocumentPtr;
using platform::DomNodePtr;
using platform::DomStatus;

class FakeRootBuilder;

// Operations return DOM statuses: 0 success, 1 a negative answer, negative
// failure.
class XmlDocument {
public:
    XmlDocument() = default;
    virtual ~XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // A new empty document with synchronous loading.
    DomStatus Create();

    // Any unsuccessful parse is E_FAIL, whatever status the DOM gave.
    DomStatus Load(const char16_t* path);
    // Load for bytes in memory.
    DomStatus LoadBytes(const char* bytes, size_t count);

    DomStatus GetDocumentNode(DomNodePtr& out);

    // Lets the builder create its element, then appends it to parent.
    DomStatus AppendElement(const DomNodePtr& parent, FakeRootBuilder& builder);

protected:
    DomDocumentPtr document_;
};

}  // namespace clipferry::xml
