// Stands in for the Windows XML DOM until that lands, so that the DLL links
// and its exports can be checked; every document creation fails meanwhile.
#include "platform/dom.h"

namespace clipferry::platform {

DomStatus CreateDomDocument(DomDocumentPtr& out) {
    out.reset();
    return kDomFail;
}

}  // namespace clipferry::platform
