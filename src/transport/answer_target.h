// Where a transfer's answer goes: the caller's response body, up to the
// ceiling on answers, which libcurl also enforces from a Content-Length.
#pragma once

#include "transport/curl_binding.h"
#include "transport/response_buffer.h"

namespace clipferry {

// An answer that declares more than the ceiling is refused by libcurl before
// any of it arrives (its result 63); one without a declared length is
// stopped by the write callback at the ceiling, and the operation gives 63
// for it too.
inline void CollectAnswer(CurlBinding& curl, CURL* easy, ResponseBody* response) {
    curl.EasySetopt(easy, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(AppendResponseChunk));
    curl.EasySetopt(easy, CURLOPT_WRITEDATA, static_cast<const void*>(response));
    curl.EasySetopt(easy, CURLOPT_MAXFILESIZE, static_cast<long>(kAnswerCeiling));
}

}  // namespace clipferry
