/*
 * Clipferry: publish a video to Lumivid from a desktop host.
 *
 * This header is the library's contract: what each export gives back and
 * when, what it writes into the host's buffers, and what it reads, writes and
 * waits for. The man pages (clipferry(3) and one page per export) say the
 * same at more length, with examples.
 *
 * A host creates an uploader context with CLIPFERRY_Init, logs the user in,
 * fetches the lists an upload form needs and uploads one media file at a time,
 * then releases the context:
 *
 *     CLIPFERRY_Init -> CLIPFERRY_Login -> CLIPFERRY_GetFileTypes,
 *     CLIPFERRY_GetCategories, CLIPFERRY_GetModerators (any, any number of
 *     times) -> CLIPFERRY_DoUpload (any number of times) -> CLIPFERRY_Release
 *
 * TEXT. Text is NUL-terminated UTF-16 (wchar_t on Windows, char16_t
 * elsewhere). On the wire it travels as UTF-8: an unpaired surrogate becomes
 * U+FFFD. Limits are given in UTF-8 bytes, terminator excluded.
 *
 * OUT-BUFFERS. Sizes are in UTF-16 code units, terminator included. A text
 * written into a buffer of N units is cut to at most N - 1 units and always
 * terminated; a cut may fall between the two halves of a surrogate pair. A
 * call that has nothing to write leaves the buffer exactly as the host passed
 * it, so clear it first. Nothing the library allocates is handed to the
 * host.
 *
 * RESULTS. Every export but CLIPFERRY_Init and CLIPFERRY_Release returns an
 * int32_t: 0 (CLIPFERRY_OK), 42 (CLIPFERRY_ABORTED), 82
 * (CLIPFERRY_BAD_ARGUMENT), 83 (CLIPFERRY_REFUSED), or the libcurl result
 * (a CURLcode) of the request that failed. The libcurl results a host meets:
 *   1 unsupported protocol, 3 malformed URL, 5 proxy not resolved or
 *   unusable (see SETTINGS), 6 host not resolved, 7 could not connect, 18
 *   transfer ended early, 23 an answer could not be kept (no memory for it,
 *   or no private scratch file could be made for it: see FILES), 26 the
 *   media file could not be read to its end or changed while it was sent,
 *   27 out of memory, 28 timed out or stalled, 35 TLS handshake failed, 52
 *   empty reply, 55 send error, 56 receive error, 60 server certificate not
 *   trusted, 63 an answer larger than 64 MiB, 97 proxy handshake failed.
 * The HTTP status of an answer is never examined (no 22): an error page is
 * judged by its body like any other answer. Result codes are never
 * renumbered. clipferry_result_text below gives a short English text for each.
 *
 * CALLBACKS (CategoryCallback, ModeratorCallback, ProgressCallback). They run
 * on the thread that called the export, before the export returns, never
 * afterwards. Inside a callback the host must not call CLIPFERRY_Release nor
 * any other export on the same context; another context may be used. No C++
 * exception, longjmp or other non-local exit may leave a callback: the
 * library and libcurl are in the middle of a transfer and would leak or
 * break. Strings passed to a callback live only until it returns: copy them.
 *
 * BLOCKING. Every call is synchronous. A login or list call makes one
 * request and returns within 50 s (resolving, connecting, sending and the
 * whole answer). An upload first asks the API host for the upload server
 * (within 50 s), then connects (within libcurl's default connect time,
 * 300 s) and sends for as long as the transfer moves: it ends with 28 only
 * after 500 s in which fewer than 500 bytes moved either way (under 1 byte
 * per second on average), the wait for the verdict included. A file of any
 * size over a slow but steady link therefore arrives; the progress callback
 * can cancel sooner, the question for the upload server included. One
 * exception to every limit: while the system's name resolver hangs, libcurl
 * waits for its resolver thread, and a call can take longer than 50 s (a
 * resolver that never answered gave 28 after 120 s).
 *
 * AFTER THE WHOLE FILE WENT OUT. When the progress callback has seen ulnow
 * reach ultotal, every byte of the form was handed to the network; that
 * does not say the service read it (the system and any proxy on the way
 * hold bytes in their buffers). A 28, 52 or 56 after that point, or an 83
 * with an empty message (no verdict could be read), may still mean that the
 * service received the video and publishes it. Do not send it again
 * blindly: let the user look for it among their videos first.
 *
 * PROTOCOLS. Every request, and every redirect of one, may use only http and
 * https. The service's host names are fixed when the library is built; the
 * upload server is the one the API host names before each upload. A named
 * address that is not an http or https URL, holds a blank or a control
 * character, or does not fit 1039 bytes counts as no answer: the upload goes
 * to the default upload server.
 *
 * SETTINGS, read once by CLIPFERRY_Init and kept for the context's life:
 *   Linux: the environment. CLIPFERRY_LOG (999 turns the dump files on,
 *   anything else leaves them off), CLIPFERRY_PROXY_SERVER (the proxy text:
 *   one "host:port" for every request, or a "http=host:port;https=..." list,
 *   of which the http entry is used; a list without one, or an empty text,
 *   means no proxy) and CLIPFERRY_CURL_LIBRARY (the libcurl file to load
 *   instead of "libcurl.so.4"). TMPDIR is read at each call (else /tmp).
 *   Windows: the registry. REG_DWORD "Log" under HKEY_LOCAL_MACHINE
 *   "SOFTWARE\Norwend\Clipferry\Install" (999 turns the dumps on; the key is
 *   opened with RegCreateKeyW) and "ProxyServer" under HKEY_CURRENT_USER
 *   "Software\Microsoft\Windows\CurrentVersion\Internet Settings" (the same
 *   text as above), unless the REG_DWORD "ProxyEnable" beside it is 0 (the
 *   user switched the proxy off: no proxy). The temporary folder is
 *   GetTempPathW's.
 *   A proxy address (the http entry of a list) of 260 UTF-8 bytes or more is
 *   never cut, which would name another host or port: the proxy is
 *   unusable, and every call that would send a request returns 5 without
 *   sending anything.
 *
 * FILES the library writes:
 *   - A scratch file per answer, in the temporary directory: each operation
 *     makes its own before its request goes out (an upload makes those for
 *     the discovery's answer and for the verdict before the discovery), and
 *     when it cannot be made the call returns 23 before a single byte is
 *     sent. An answer the file cannot take once it has come (a full disk)
 *     is read from memory instead. It is readable by the user alone, is
 *     never written through a link, and is gone before the call returns. On
 *     Linux it has no name (O_TMPFILE), or where the file system refuses
 *     that, its name (LumividRes-XXXXXX.xml) is removed as soon as it is
 *     open; on Windows it is LumividRes*.xml, opened so that the system
 *     removes it when its last handle closes. A killed host leaves nothing
 *     behind.
 *   - Dump files, only while the log switch is 999: the last raw answer of
 *     each kind, Clipferry_Login.xml, Clipferry_FileTypes.xml,
 *     Clipferry_GetCategories.xml, Clipferry_GetModerators.xml,
 *     Clipferry_GetServer.xml and Clipferry_Upload.xml, in $TMPDIR (else
 *     /tmp) on Linux and in C:\ on Windows, each replaced afresh, owner-only.
 *     Each holds the answer byte for byte as it came, whatever it was: a
 *     login answered by Lumivid, accepted or refused, holds its LoginStatus
 *     element; a page something else sent in its place (a wrong proxy) does
 *     not, though the login returns 83 for both.
 *     Clipferry_Login.xml holds the user's auth key and personal details:
 *     turn the switch on only to diagnose, and delete the files afterwards.
 *     With the switch on, the upload also has libcurl trace the transfer on
 *     standard error, proxy credentials included. Failures to write a dump
 *     are ignored.
 * Nothing else is written, and no state is kept between process runs.
 *
 * THREADS. The library starts no threads of its own (libcurl may resolve
 * names on a short-lived thread of its own) and takes no lock around a
 * context. A context is used by one thread at a time; separate contexts may
 * run calls at the same time on separate threads, as may separate processes:
 * each call has its own scratch file. CLIPFERRY_Release must not run while
 * another thread is inside a call on the same context. libcurl initialises
 * itself on the first request, under a lock of the library's own.
 *
 * WINDOWS. clipferry.dll exports the seven functions under their plain
 * names, cdecl. Loading it initialises COM (CoInitialize) on the loading
 * thread, and unloading it on that thread takes that back. Answers are read
 * with the MSXML DOM document, so any other thread must have COM initialised
 * (either apartment) before it calls an export; without COM no answer can
 * be read: a login or upload gives 83, a list gives 0 and delivers nothing.
 * CLIPFERRY_Init loads "libcurl.dll" with LoadLibraryW, so the system's DLL
 * search order applies: a libcurl.dll already loaded into the process,
 * then the folder of the host's .exe (not that of clipferry.dll, unless it is
 * the same), the system folders, the Windows folder, the current folder and
 * PATH. Put libcurl.dll beside the .exe, or load it from a full path before
 * CLIPFERRY_Init. The Windows package ships a libcurl.dll built from
 * Debian's curl 7.88.1 source with the mingw-w64 compilers: Schannel for TLS
 * (the Windows certificate store), Windows threads for the resolver, no
 * compression, HTTP/2, IDN or LDAP.
 *
 * LIBCURL. The library is not linked to libcurl: CLIPFERRY_Init loads it
 * (libcurl.so.4, or libcurl.dll), and without it a login returns 42 and every
 * other call 82 (nothing can be logged in). It uses the easy interface and
 * the classic form API (curl_formadd with CURLFORM_STREAM and a declared
 * content length), which libcurl 8 still provides. The oldest libcurl that
 * works is 7.19.4 (7.18.2 brought CURLFORM_STREAM, 7.19.4 the protocol
 * options); files of 2 GiB or more need 7.46.0 (CURLFORM_CONTENTLEN), and an
 * older libcurl makes such an upload return 82 rather than declare a wrong
 * length. Files over 4 GiB are sent with their exact 64-bit length. Tested
 * with 7.88.1 on Linux (Debian 12's libcurl4) and on Windows (the DLL above).
 *
 * KEPT AS THEY ARE, DELIBERATELY (hosts may rely on them):
 *   - The list calls return 0 for an answer that cannot be read (no body,
 *     not XML): an empty form instead of an error.
 *   - An accepted second login whose answer lacks the user's record keeps
 *     the earlier record's fields (auth key, contact id, moderator switch).
 *   - Loading the DLL initialises COM for the loading thread.
 *   - The HTTP status of an answer is not examined.
 *   - A call can block longer than 50 s while name resolution hangs.
 *   - An 83 with an empty message after the whole file went out may mean
 *     that the service has the video.
 *
 * Beside the seven exports, the header holds the version, the text limits
 * and a result-text helper as macros and a static inline function: nothing a
 * host links to.
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

/* The limits on the texts a host passes, in UTF-8 bytes, terminator
   excluded. A user name or password longer than CLIPFERRY_CREDENTIAL_MAX_BYTES
   is refused (82, nothing sent); a title, description or tags longer than
   CLIPFERRY_TEXT_MAX_BYTES is cut there, at a character boundary. */
#define CLIPFERRY_CREDENTIAL_MAX_BYTES 259
#define CLIPFERRY_TEXT_MAX_BYTES 1023

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
   (a CURLcode: 6 host not resolved, 7 could not connect, 28 timed out...;
   the list is in the comment at the top). */
enum {
    CLIPFERRY_OK = 0,              /* success; for a list, also an answer without a body */
    CLIPFERRY_ABORTED = 42,        /* libcurl could not be loaded or lacks an entry point,
                                      or the progress callback cancelled the upload; the
                                      same number as libcurl's "aborted by callback" */
    CLIPFERRY_BAD_ARGUMENT = 82,   /* argument missing or out of range, or wrong state
                                      (not logged in...); each export lists its cases.
                                      Nothing was sent, except where an export says so */
    CLIPFERRY_REFUSED = 83         /* the service refused, or its login or upload answer
                                      held no verdict (no body, not XML, no status) */
};

/* Receives one category of CLIPFERRY_GetCategories, in the answer's order.
   categoryId: the category's id (0 when the answer gives none or no number).
   name: its name, the service's second escaping of &lt; &gt; &amp; &apos;
   &quot; undone; empty, never null, when the answer gives none. It lives only
   until the callback returns. reserved is always 0. userData is the host's
   pointer, unchanged. The rules for every callback are at the top. */
typedef void (CLIPFERRY_CALL *CategoryCallback)(int32_t categoryId, const clipferry_char* name,
                                                int32_t reserved, void* userData);

/* Receives one moderator of CLIPFERRY_GetModerators, in the answer's order.
   contactId: the id to pass as moderatorId to CLIPFERRY_DoUpload (0 when the
   answer gives none). firstName, lastName: as the service sent them; empty,
   never null, when missing; they live only until the callback returns.
   reserved is always 0. userData is the host's pointer, unchanged. */
typedef void (CLIPFERRY_CALL *ModeratorCallback)(int32_t contactId, const clipferry_char* firstName,
                                                 const clipferry_char* lastName, int32_t reserved,
                                                 void* userData);

/* Upload progress, libcurl's progress callback form, in bytes. Called only
   inside CLIPFERRY_DoUpload, for its two requests: first while it asks the
   API host for the upload server, then while it sends its form; often while
   data moves, and about once a second while nothing does (on Linux at once
   when a signal handler interrupts the wait), the wait for the verdict
   included: a cancel from another thread is seen within a second. data is
   the host's progressData. While the upload server is asked for, ultotal and
   ulnow are 0 and dltotal and dlnow count that question's answer. While the
   form goes out, ultotal is the size of the whole request body (the form
   with the file; 0 until libcurl knows it) and ulnow what has gone out;
   dltotal and dlnow are the service's answer, its announced size (0 when not
   announced) and what has arrived. A non-zero return stops the request at
   once and the upload returns 42: before any of the form is sent when it
   comes while the upload server is asked for, and also after the last byte
   went out. The login and the lists have no callback: each of them is over
   within 50 s. */
typedef int (CLIPFERRY_CALL *ProgressCallback)(void* data, double dltotal, double dlnow,
                                               double ultotal, double ulnow);

/* Creates an uploader context, logged out. Reads the settings (log switch,
   proxy; see the top) and loads libcurl; sends nothing. Returns the handle,
   or null only when memory cannot be had (nothing is then left allocated). A
   missing libcurl does not fail it: the login then returns 42. Release every
   handle with CLIPFERRY_Release. */
CLIPFERRY_API void* CLIPFERRY_CALL CLIPFERRY_Init(void);

/* Destroys a context: wipes the credentials and the login record, unloads
   libcurl (once per context) and frees everything. A null handle is
   ignored. The handle must not be used afterwards, and must not be released
   from inside a callback or while another thread is in a call on it. */
CLIPFERRY_API void CLIPFERRY_CALL CLIPFERRY_Release(void* handle);

/* Logs the user in. userName and password are sent as UTF-8, escaped for
   XML, at most 259 bytes each; after an accepted login the context keeps
   them until the next accepted login or CLIPFERRY_Release.
   0    logged in: the context keeps the user's record (auth key, contact id,
        whether moderators may be chosen) for the list and upload calls.
   83   refused (a login status other than 1), or the answer held no verdict:
        no body, not XML, or carrying a document type declaration.
   82   handle, userName or password null; userName or password longer than
        259 UTF-8 bytes, or holding a character no XML text can carry (a C0
        control other than tab, line feed and carriage return, U+FFFE,
        U+FFFF); libcurl gave no handle. Nothing is sent.
   42   libcurl could not be loaded, or lacks an entry point it needs.
   23   no scratch file could be made for the answer (nothing is sent), or
        no memory to hold the answer.
   63   the answer was larger than 64 MiB (transfer stopped there).
   else the libcurl result of the request.
   Any result but 0 leaves the context as it was: an earlier login stays in
   force. One request; returns within 50 s. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_Login(void* handle, const clipferry_char* userName,
                                                     const clipferry_char* password);

/* Copies the file types the service accepts (its text as sent, e.g.
   "*.mp4;*.mov;*.avi") into buffer, cut to bufferSize - 1 units and
   terminated.
   0    the answer arrived. buffer holds the text, or is untouched when the
        answer had no body, was not XML, or held no file types.
   82   handle or buffer null, bufferSize 0, not logged in, or libcurl gave
        no handle. Nothing is sent.
   23, 63 and the libcurl results as for CLIPFERRY_Login.
   On any result but 0 buffer is untouched. One request; within 50 s. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetFileTypes(void* handle, clipferry_char* buffer,
                                                            uint32_t bufferSize);

/* Calls callback once per category directly below parentCategoryId (0 for
   the top level), in the answer's order, before returning. resultCount may
   be null; otherwise it receives the count the answer states ("ResultCount",
   0 when it states none), which is not compared with the number of calls.
   0    the answer arrived. Callbacks made and count written when it could be
        read; no callback, and the count set to 0, for an answer that is not
        XML; neither for an answer without a body.
   82   handle null, parentCategoryId negative, userData or callback null
        (userData must not be null even when the callback ignores it), not
        logged in, or libcurl gave no handle. Nothing is sent.
   23, 63 and the libcurl results as for CLIPFERRY_Login.
   On any result but 0 no callback is made and *resultCount is untouched.
   One request; within 50 s. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetCategories(void* handle, int32_t parentCategoryId,
                                                             void* userData,
                                                             CategoryCallback callback,
                                                             int32_t* resultCount);

/* Calls callback once per moderator the logged-in user may choose, in the
   answer's order, before returning. resultCount as for
   CLIPFERRY_GetCategories.
   0    the answer arrived; callbacks and count as for CLIPFERRY_GetCategories.
   82   handle, userData or callback null; not logged in; moderators not
        enabled for the account (the login's "ShowModerators" was not 1);
        the login gave no positive contact id; libcurl gave no handle.
        Nothing is sent.
   23, 63 and the libcurl results as for CLIPFERRY_Login.
   On any result but 0 no callback is made and *resultCount is untouched.
   One request; within 50 s. */
CLIPFERRY_API int32_t CLIPFERRY_CALL CLIPFERRY_GetModerators(void* handle, void* userData,
                                                             ModeratorCallback callback,
                                                             int32_t* resultCount);

/* Uploads one media file with its details, then reads the service's verdict.
   path: a regular file (not a directory, FIFO, device or socket; on Linux
   the path is opened as its UTF-8 form); it is opened once and streamed, never held in memory, with its exact size
   declared, any size. It is sent under its own name (the last component,
   name and extension cut to fit 259 UTF-8 bytes). Deleting it while it is
   sent does not stop the upload; shrinking or rewriting it does (26).
   title, description, tags: each cut to 1,023 UTF-8 bytes at a character
   boundary; tags are words separated by spaces. moderatorId: 0 for none, or
   a contactId from CLIPFERRY_GetModerators. category1: 0 or more (ids from
   CLIPFERRY_GetCategories); category2 and category3 are sent as 0 when
   negative. The ids are not checked against the lists. The form also says
   that the user accepts the service's terms ("terms" = 1).
   message: may be null; when it is not and messageSize > 0 it receives the
   service's message (cut to messageSize - 1 units, terminated), with 0 and
   with 83 alike; untouched when the answer holds no message, and on every
   other result. progress: may be null; progressData goes to it unchanged.
   0    accepted: the verdict's status holds "SUCCESS" in any case, other
        than as part of "UNSUCCESS" ("UNSUCCESSFUL" is a refusal).
   83   refused, or no verdict: the answer had no body, was not XML (text
        before its "<?xml" is skipped), or held no such status. With an empty
        message after the whole file went out, see the top.
   82   handle, path, title, description or tags null; moderatorId or
        category1 negative; not logged in; nothing at path; title,
        description or tags holding a C0 control character other than tab,
        line feed and carriage return (nothing sent, message untouched);
        path not a regular file or not readable; a form field could not be
        added; a file of 2 GiB or more with a libcurl older than 7.46.0;
        libcurl gave no handle. The last four are found after the upload
        server was asked for, before any of the form is sent.
   42   the progress callback returned non-zero; while the upload server
        was asked for, nothing of the form was sent.
   26   the file ended before its declared size, or its size or
        modification time changed while it was sent (a file that grew
        counts): the transfer stops at once and the form is never completed.
   23   no scratch file could be made (nothing is sent, not even the
        question for the upload server), or no memory to hold the verdict.
   63   the verdict was larger than 64 MiB.
   28   nothing moved for 500 s (the transfer stays under 1 byte per second).
   else the libcurl result of the form post. The discovery's own failures
        are not reported: the upload then goes to the default upload server.
   Blocks as the top says (BLOCKING); a 28, 52 or 56 after the last byte
   went out may mean the service has the video. */
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
    case 63: return "answer too large";
    case 97: return "proxy handshake failed";
    default: return "libcurl error";
    }
}

#ifdef __cplusplus
}
#endif

#endif /* CLIPFERRY_H */
