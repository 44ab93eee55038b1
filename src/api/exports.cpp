// The seven exported functions: each checks its arguments, runs its
// operation and turns anything unexpected into a result code, so that no
// exception ever reaches the host.
#include "clipferry.h"

#include "api/operations.h"
#include "api/uploader_context.h"
#include "platform/files.h"
#include "transport/xml_characters.h"

using clipferry::UploaderContext;

namespace {

UploaderContext* ContextOf(void* handle) { return static_cast<UploaderContext*>(handle); }

const char16_t* Text(const clipferry_char* text) { return reinterpret_cast<const char16_t*>(text); }
char16_t* Buffer(clipferry_char* buffer) { return reinterpret_cast<char16_t*>(buffer); }

// Runs an operation; an exception (memory exhaustion in a container) becomes 82.
template <typename Operation>
int32_t Guarded(Operation operation) {
    try {
        return operation();
    } catch (...) {
        return CLIPFERRY_BAD_ARGUMENT;
    }
}

}  // namespace

extern "C" {

CLIPFERRY_API void* CLIPFERRY_CALL CLIPFERRY_Init(void) {
    try {
        return clipferry::CreateUploaderContext();
    } catch (...) {
        return nullptr;
    }
}

CLIPFERRY_API void CLIPFERRY_CALL CLIPFERRY_Release(void* handle) {
    delete ContextOf(handle);
}

CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_Login(void* handle, const clipferry_char* userName,
                                                     const clipferry_char* password) {
    if (handle == nullptr || userName == nullptr || password == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    return Guarded([&] { return clipferry::RunLogin(*ContextOf(handle), Text(userName), Text(password)); });
}

CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetFileTypes(void* handle, clipferry_char* buffer,
                                                            uint32_t bufferSize) {
    if (handle == nullptr || buffer == nullptr || bufferSize == 0) return CLIPFERRY_BAD_ARGUMENT;
    return Guarded([&] { return clipferry::RunGetFileTypes(*ContextOf(handle), Buffer(buffer), bufferSize); });
}

CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetCategories(void* handle, int32_t parentCategoryId,
                                                             void* userData,
                                                             CategoryCallback callback,
                                                             int32_t* resultCount) {
    if (handle == nullptr || parentCategoryId < 0 || userData == nullptr || callback == nullptr)
        return CLIPFERRY_BAD_ARGUMENT;
    return Guarded([&] {
        return clipferry::RunGetCategories(*ContextOf(handle), parentCategoryId, userData, callback,
                                           resultCount);
    });
}

CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetModerators(void* handle, void* userData,
                                                             ModeratorCallback callback,
                                                             int32_t* resultCount) {
    if (handle == nullptr || userData == nullptr || callback == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    return Guarded([&] {
        return clipferry::RunGetModerators(*ContextOf(handle), userData, callback, resultCount);
    });
}

CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_DoUpload(
    void* handle, const clipferry_char* path, const clipferry_char* title,
    const clipferry_char* description, const clipferry_char* tags, int32_t moderatorId,
    int32_t category1, int32_t category2, int32_t category3, clipferry_char* message,
    uint32_t messageSize, ProgressCallback progress, void* progressData) {
    if (handle == nullptr || path == nullptr || title == nullptr || description == nullptr ||
        tags == nullptr || moderatorId < 0 || category1 < 0)
        return CLIPFERRY_BAD_ARGUMENT;
    // The service echoes these in its verdict, which a control character
    // would leave unreadable: an accepted upload would read as refused.
    if (!clipferry::XmlCanCarry(Text(title)) || !clipferry::XmlCanCarry(Text(description)) ||
        !clipferry::XmlCanCarry(Text(tags)))
        return CLIPFERRY_BAD_ARGUMENT;
    return Guarded([&] {
        if (!clipferry::platform::PathExists(Text(path))) return int32_t(CLIPFERRY_BAD_ARGUMENT);
        clipferry::UploadRequest request{Text(path), Text(title), Text(description), Text(tags),
                                         moderatorId, category1, category2, category3};
        return clipferry::RunUpload(*ContextOf(handle), request, Buffer(message), messageSize,
                                    progress, progressData);
    });
}

}  // extern "C"
