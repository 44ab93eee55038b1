/*
 * Clipferry: publish a video to Lumivid from a desktop host.
 *
 * A host creates an uploader context with CLIPFERRY_Init, logs the user in,
 * fetches the lists an upload form needs and uploads one media file, then
 * releases the context. Every call runs synchronously on the calling thread;
 * callbacks run on that thread before the call returns. A context is used by
 * one thread at a time; separate contexts may run operations at the same time
 * on separate threads, as may separate processes.
 *
 * Text is NUL-terminated UTF-16 (wchar_t on Windows, char16_t elsewhere).
 * Out-buffers are sized in UTF-16 code units, terminator included.
 */
#ifndef CLIPFERRY_H
#define CLIPFERRY_H

#include <stdint.h>

#if defined(_WIN32)
#include <wchar.h>
typedef wchar_t clipferry_char;
#define CLIPFERRY_CALL __cdecl
#if defined(CLIPFERRY_BUILDING)
#define CLIPFERRY_API __declspec(dllexport)
#else
#define CLIPFERRY_API __declspec(dllimport)
#endif
#else
#if defined(__cplusplus) && __cplusplus >= 201103L
typedef char16_t clipferry_char;
#else
#include <uchar.h>
typedef char16_t clipferry_char;
#endif
#define CLIPFERRY_CALL
#define CLIPFERRY_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. Any other value is the libcurl result of the request. */
enum {
    CLIPFERRY_OK = 0,              /* success; for a list, also an answer without a body */
    CLIPFERRY_BAD_ARGUMENT = 82,   /* argument missing or out of range, or wrong state */
    CLIPFERRY_REFUSED = 83         /* the service refused, or its login or upload answer
                                      held no verdict (no body, not XML) */
};

/* Receives one category of CLIPFERRY_GetCategories; the name lives only
   during the call. reserved is always 0. */
typedef void (CLIPFERRY_CALL *CategoryCallback)(int32_t categoryId, const clipferry_char* name,
                                                int32_t reserved, void* userData);

/* Receives one moderator of CLIPFERRY_GetModerators; the names live only
   during the call. reserved is always 0. */
typedef void (CLIPFERRY_CALL *ModeratorCallback)(int32_t contactId, const clipferry_char* firstName,
                                                 const clipferry_char* lastName, int32_t reserved,
                                                 void* userData);

/* Upload progress in bytes; a non-zero return cancels the upload, which then
   returns 42. */
typedef int (CLIPFERRY_CALL *ProgressCallback)(void* data, double dltotal, double dlnow,
                                               double ultotal, double ulnow);

/* Creates an uploader context; null when memory cannot be had. */
CLIPFERRY_API void* CLIPFERRY_CALL CLIPFERRY_Init(void);

/* Destroys a context; a null handle is ignored. */
CLIPFERRY_API void CLIPFERRY_CALL CLIPFERRY_Release(void* handle);

/* 0 logged in, 83 refused or no verdict, 82 bad argument, else the libcurl
   result. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_Login(void* handle, const clipferry_char* userName,
                                                     const clipferry_char* password);

/* Copies the accepted file types into buffer (at most bufferSize - 1 units). */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetFileTypes(void* handle, clipferry_char* buffer,
                                                            uint32_t bufferSize);

/* Calls callback once per category below parentCategoryId (0 for the top);
   resultCount, when not null, receives the count the service states. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetCategories(void* handle, int32_t parentCategoryId,
                                                             void* userData,
                                                             CategoryCallback callback,
                                                             int32_t* resultCount);

/* Calls callback once per moderator the logged-in user may choose. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetModerators(void* handle, void* userData,
                                                             ModeratorCallback callback,
                                                             int32_t* resultCount);

/* Uploads one media file (a regular file only); 0 accepted, 83 refused or no
   verdict. message, when not null and messageSize > 0, receives the service's
   message. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_DoUpload(
    void* handle, const clipferry_char* path, const clipferry_char* title,
    const clipferry_char* description, const clipferry_char* tags, int32_t moderatorId,
    int32_t category1, int32_t category2, int32_t category3, clipferry_char* message,
    uint32_t messageSize, ProgressCallback progress, void* progressData);

#ifdef __cplusplus
}
#endif

#endif /* CLIPFERRY_H */
