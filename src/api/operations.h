// The operations behind the exports. The exports have checked the handle and
// every argument they are given (for an upload, also that something is at
// the path and that the texts hold no control character); each operation
// checks only the context's state.
#pragma once

#include <cstdint>

#include "api/uploader_context.h"
#include "clipferry.h"
#include "xml/response_document.h"

namespace clipferry {

struct UploadRequest {
    const char16_t* path;
    const char16_t* title;
    const char16_t* description;
    const char16_t* tags;
    int32_t moderatorId;
    int32_t category1;
    int32_t category2;
    int32_t category3;
};

int32_t RunLogin(UploaderContext& context, const char16_t* userName, const char16_t* password);
int32_t RunGetFileTypes(UploaderContext& context, char16_t* buffer, uint32_t bufferSize);
int32_t RunGetCategories(UploaderContext& context, int32_t parentCategoryId, void* userData,
                         CategoryCallback callback, int32_t* resultCount);
int32_t RunGetModerators(UploaderContext& context, void* userData, ModeratorCallback callback,
                         int32_t* resultCount);
// Clears the context's upload server address and fills it with the one the
// API host names, when it names one that fits; failures leave it empty, so
// the upload goes to the default host. document's scratch file is prepared.
// progress (may be null) is called while the answer is awaited: 42 when it
// cancelled, else 0, whatever the discovery found.
int32_t RunDiscovery(UploaderContext& context, xml::ResponseDocument& document, ProgressCallback progress = nullptr,
                     void* progressData = nullptr);
int32_t RunUpload(UploaderContext& context, const UploadRequest& request, char16_t* message,
                  uint32_t messageSize, ProgressCallback progress, void* progressData);

}  // namespace clipferry
