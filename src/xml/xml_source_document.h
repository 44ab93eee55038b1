// A document opened from a source file, always with a root: the file's own
// first node, or "FakeRootNode" when the file held no XML.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "xml/xml_document.h"

namespace clipferry::xml {

// Operations return 1 for success and 0 for failure.
class XmlSourceDocument : public XmlDocument {
public:
    // Creates and loads the document from sourcePath, drops a leading
    // declaration and finds or substitutes the root. A file that is not XML
    // still opens, holding only an empty "FakeRootNode".
    int Open();
    // Open for the bytes of a source in memory; sourcePath stays as it is.
    int OpenBytes(const char* bytes, size_t count);

    // Appends "FakeRootNode" to the document and makes it the root.
    int AppendFakeRoot();

    // Copies the text of the child named child directly below the element
    // that FindElement finds for outer from the document node. 1 only when
    // both were found and the text copied; the buffer is untouched otherwise.
    int CopyChildText(const char16_t* outer, const char16_t* child, char16_t* buffer, uint32_t size) const;

    // Null until Open.
    const DomNodePtr& documentNode() const { return documentNode_; }
    const DomNodePtr& rootNode() const { return rootNode_; }

protected:
    // What Open and OpenBytes do once the load has run: loaded tells whether
    // the source was XML.
    int Settle(bool loaded);

    std::u16string sourcePath_;
    DomNodePtr documentNode_;
    DomNodePtr rootNode_;
};

}  // namespace clipferry::xml
