#include "xml/xml_source_document.h"

#include "xml/element_search.h"
#include "xml/fake_root_builder.h"
#include "xml/wide_text.h"

namespace clipferry::xml {

using platform::kDomOk;

int XmlSourceDocument::Open() {
    const bool created = Create() >= 0;
    return Settle(created && Load(sourcePath_.c_str()) >= 0);
}

int XmlSourceDocument::OpenBytes(const char* bytes, size_t count) {
    const bool created = Create() >= 0;
    return Settle(created && LoadBytes(bytes, count) >= 0);
}

int XmlSourceDocument::Settle(bool loaded) {
    if (!loaded) {
        // A failed load leaves the document empty: it gets the substitute root.
        if (document_ == nullptr) return 0;
        if (GetDocumentNode(documentNode_) < 0) return 0;
        return AppendFakeRoot() != 0 ? 1 : 0;
    }

    // A leading declaration goes. Only the name is looked at, so a first
    // element named "xml" in any letter case goes as well.
    DomNodePtr document;
    DomNodePtr first;
    if (document_->AsNode(document) >= 0 && document->FirstChild(first) == kDomOk &&
        NamesEqual(u"xml", ReadNodeName(first))) {
        document->RemoveChild(first);
    }

    if (GetDocumentNode(documentNode_) < 0) return 0;
    rootNode_.reset();
    if (documentNode_->FirstChild(rootNode_) != kDomOk) return AppendFakeRoot() != 0 ? 1 : 0;
    return 1;
}

int XmlSourceDocument::AppendFakeRoot() {
    FakeRootBuilder builder(document_);
    const DomStatus status = AppendElement(documentNode_, builder);
    rootNode_ = builder.element();
    return status >= 0 ? 1 : 0;
}

int XmlSourceDocument::CopyChildText(const char16_t* outer, const char16_t* child, char16_t* buffer,
                                     uint32_t size) const {
    if (outer == nullptr || child == nullptr || buffer == nullptr || documentNode_ == nullptr || size == 0) return 0;
    DomNodePtr found;
    FindElement(documentNode_, outer, &found);
    if (found == nullptr) return 0;
    DomNodePtr inner;
    FindChildElement(found, child, &inner);
    if (inner == nullptr) return 0;
    CopyCut(buffer, size, ReadNodeText(inner));
    return 1;
}

}  // namespace clipferry::xml
