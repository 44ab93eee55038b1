// The two transfers of an upload: asking the API host which upload server to
// use, then posting the multipart form with the media file streamed from disk.
#pragma once

#include <cstdint>

#include "transport/connection.h"
#include "clipferry.h"
#include "transport/response_buffer.h"
#include "transport/upload_form.h"

namespace clipferry {

// Asks the API host which upload server to use; response is the caller's
// empty ResponseBody, which holds whatever arrived, whatever the result.
// Results: 82 when response is null, the context has no binding or libcurl
// yields no easy handle; otherwise libcurl's result.
int32_t GetUploadServer(Connection& context, ResponseBody* response);

// Posts the form to the discovered server (or the default upload host),
// streaming the file at path. response is the caller's empty ResponseBody,
// which holds whatever arrived, whatever the result.
//
// Results: 82 when an argument is missing, nothing exists at the path, what
// is there is not a regular file or cannot be opened for reading, the
// context has no binding, libcurl yields no easy handle, or refuses a part
// of the form (out of memory, or the length of a file of 2 GiB or more);
// 26 when the file ends before its measured length or has changed by the
// time its last byte is read (the form is then never completed);
// 42 when progress returns non-zero; otherwise libcurl's result (0 when the
// exchange completed, whatever the response status; 28 when nothing moved
// for 500 seconds).
int32_t PostUploadForm(Connection& context, ResponseBody* response, const UploadFields& fields,
                       const char16_t* path, ProgressCallback progress, void* progressData);

}  // namespace clipferry
