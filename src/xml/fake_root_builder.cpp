#include "xml/fake_root_builder.h"

namespace clipferry::xml {

platform::DomStatus FakeRootBuilder::Create() {
    element_.reset();
    if (document_ == nullptr) return platform::kDomFail;
    const platform::DomStatus status = document_->CreateElement(u"FakeRootNode", element_);
    if (status < 0) return status;
    // The element carries no attributes; only its attribute map is asked for.
    return element_->GetAttributes();
}

}  // namespace clipferry::xml
