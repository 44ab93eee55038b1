// The two transfers of an upload: asking the API host which upload server to
// use, then posting the multipart form with the media file streamed from disk.
#pragma once

#include <cstdint>

#include "transport/request_settings.h"
#include "clipferry.h"
#include "transport/response_buffer.h"
#include "transport/upload_form.h"

namespace clipferry {

// Asks the API host which upload server to use; response is the caller's
// empty ResponseBody, which holds whatever arrived, whatever the result.
// progress (may be null) is called while the answer is awaited, upload
// totals 0. Results: 82 when response is null or the context has no
// binding; those of PrepareRequest; 42 when progress returned non-zero;
// otherwise libcurl's result.
int32_t GetDiscovery(RequestSettings& context, ResponseBody* response, ProgressCallback progress = nullptr,
                     void* progressData = nullptr);

// Posts the form to the discovered server (or the default upload host),
// streaming the file at path. response is the caller's empty ResponseBody,
// which holds whatever arrived, whatever the result. The exports have
// checked the arguments.
//
// Results: 82 when what is at the path is not a regular file or cannot be
// opened for reading, the context has no binding, libcurl yields no easy
// handle, or refuses a part of the form (out of memory, or the length of a
// file of 2 GiB or more); 26 when the file ends before its measured length
// or has changed by the time its last byte is read (the form is then never
// completed); 42 when progress returns non-zero; the other results of
// PrepareRequest; otherwise libcurl's result (0 when the exchange completed,
// whatever the response status; 28 when nothing moved for 500 seconds).
int32_t PostUploadForm(RequestSettings& context, ResponseBody* response, const UploadFormValues& fields,
                       const char16_t* path, ProgressCallback progress, void* progressData);

}  // namespace clipferry
