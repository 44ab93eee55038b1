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
 *
 * Beside the seven exports, the header holds the version and a result-text
 * helper as macros and a static inline function: nothing a host links to.
 */
#ifndef CLIPFERRY_H
#define CLIPFERRY_H

/* The version of this header, which is the version of the library it came
   with. A host may test it at compile time, e.g.
   #if CLIPFERRY_VERSION_MAJOR == 0 && CLIPFERRY_VERSION_MINOR < 2 */
#define CLIPFERRY_VERSION_MAJOR 1
#define CLIPFERRY_VERSION_MINOR 0
#define CLIPFERRY_VERSION_PATCH 0
#define CLIPFERRY_VERSION "1.0.0"

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

/* Result codes. Any other value is the libcurl result of the request
   (a CURLcode: 6 host not resolved, 7 could not connect, 28 timed out...). */
enum {
    CLIPFERRY_OK = 0,              /* success; for a list, also an answer without a body */
    CLIPFERRY_ABORTED = 42,        /* libcurl could not be loaded or lacks an entry point,
                                      or the progress callback cancelled the upload; the
                                      same number as libcurl's "aborted by callback" */
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

/* A short English text for a result of the calls above, for logs and
   messages. The texts of libcurl's results cover the ones a host meets in
   practice; any other is "libcurl error". Static inline, so nothing is
   linked: every host gets its own copy. The text is a constant string. */
static inline const char* clipferry_result_text(int32_t result) {
    switch (result) {
    case CLIPFERRY_OK: return "success";
    case CLIPFERRY_ABORTED: return "libcurl missing, or the upload cancelled";
    case CLIPFERRY_BAD_ARGUMENT: return "bad argument or state";
    case CLIPFERRY_REFUSED: return "refused by the service, or no verdict";
    case 1: return "unsupported protocol";
    case 3: return "malformed URL";
    case 5: return "could not resolve the proxy";
    case 6: return "could not resolve the host";
    case 7: return "could not connect";
    case 18: return "transfer ended early";
    case 22: return "HTTP error status";
    case 23: return "could not write received data";
    case 25: return "upload failed";
    case 26: return "could not read the file";
    case 27: return "out of memory";
    case 28: return "timed out";
    case 35: return "TLS handshake failed";
    case 47: return "too many redirects";
    case 52: return "empty reply from the server";
    case 55: return "send error";
    case 56: return "receive error";
    case 60: return "server certificate not trusted";
    case 97: return "proxy handshake failed";
    default: return "libcurl error";
    }
}

#ifdef __cplusplus
}
#endif

#endif /* CLIPFERRY_H */
