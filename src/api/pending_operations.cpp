// Operations not built yet: each refuses its call until it lands.
#include "api/operations.h"

namespace clipferry {

int32_t RunLogin(UploaderContext&, const char16_t*, const char16_t*) { return CLIPFERRY_BAD_ARGUMENT; }
int32_t RunGetFileTypes(UploaderContext&, char16_t*, uint32_t) { return CLIPFERRY_BAD_ARGUMENT; }
int32_t RunGetCategories(UploaderContext&, int32_t, void*, CategoryCallback, int32_t*) {
    return CLIPFERRY_BAD_ARGUMENT;
}
int32_t RunGetModerators(UploaderContext&, void*, ModeratorCallback, int32_t*) {
    return CLIPFERRY_BAD_ARGUMENT;
}

}  // namespace clipferry
