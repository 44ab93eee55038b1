// Builds the substitute root element "FakeRootNode" that a document gets
// when its file held no XML.
#pragma once

#include "platform/dom.h"

namespace clipferry::xml {

class FakeRootBuilder {
public:
    explicit FakeRootBuilder(platform::DomDocumentPtr document) : document_(std::move(document)) {}

    // Creates the element, without attributes; an earlier one is dropped.
    platform::DomStatus Create();

    // Null until Create succeeded.
    const platform::DomNodePtr& element() const { return element_; }

private:
    platform::DomDocumentPtr document_;
    platform::DomNodePtr element_;
};

}  // namespace clipferry::xml
