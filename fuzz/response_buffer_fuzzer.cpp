// Arbitrary chunkings of arbitrary bytes into the response body: the held
// text is always the concatenation of each chunk up to its first NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transport/response_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace clipferry;
    ResponseBody body;
    std::string expected;
    // Each chunk is one length byte followed by that many bytes (fewer at the end).
    size_t at = 0;
    while (at < size) {
        const size_t wanted = data[at++];
        const size_t length = wanted < size - at ? wanted : size - at;
        const char* chunk = reinterpret_cast<const char*>(data + at);
        // Half the chunks go through libcurl's callback, in size * count form.
        if (wanted % 2 == 0 && length > 0) {
            if (AppendResponseChunk(const_cast<char*>(chunk), 1, length, body.Address()) != length) std::abort();
        } else if (!AppendChunk(body, chunk, length, StandardBufferAllocator())) {
            std::abort();
        }
        expected.append(chunk, strnlen(chunk, length));
        at += length;

        if (body.Text() == nullptr) {
            // Only a body that never received a byte may stay without text.
            if (!expected.empty()) std::abort();
            continue;
        }
        if (body.Length() != expected.size() || std::memcmp(body.Text(), expected.data(), expected.size()) != 0 ||
            body.Text()[body.Length()] != '\0')
            std::abort();
    }
    return 0;
}
