// Operations not built yet: each refuses its call until it lands.
#include "api/operations.h"

namespace clipferry {

int32_t RunUpload(UploaderContext&, const UploadRequest&, char16_t*, uint32_t, ProgressCallback, void*) {
    return CLIPFERRY_BAD_ARGUMENT;
}

}  // namespace clipferry
