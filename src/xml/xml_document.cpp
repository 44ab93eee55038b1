#include "xml/xml_document.h"

#include "xml/fake_root_builder.h"

namespace clipferry::xml {

using platform::kDomFail;

DomStatus XmlDocument::Create() {
    DomDocumentPtr created;
    const DomStatus status = platform::CreateDomDocument(created);
    if (status < 0) return status;
    document_ = std::move(created);
    return document_->SetAsync(false);
}

DomStatus XmlDocument::Load(const char16_t* path) {
    if (document_ == nullptr) return kDomFail;
    bool succeeded = false;
    const DomStatus status = document_->Load(path, succeeded);
    return succeeded ? status : kDomFail;
}

DomStatus XmlDocument::LoadBytes(const char* bytes, size_t count) {
    if (document_ == nullptr) return kDomFail;
    bool succeeded = false;
    const DomStatus status = document_->LoadBytes(bytes, count, succeeded);
    return succeeded ? status : kDomFail;
}

DomStatus XmlDocument::GetDocumentNode(DomNodePtr& out) {
    if (document_ == nullptr) return kDomFail;
    return document_->AsNode(out);
}

DomStatus XmlDocument::AppendElement(const DomNodePtr& parent, FakeRootBuilder& builder) {
    const DomStatus created = builder.Create();
    if (created < 0) return created;
    if (parent == nullptr || builder.element() == nullptr) return kDomFail;
    return parent->AppendChild(builder.element());
}

}  // namespace clipferry::xml
