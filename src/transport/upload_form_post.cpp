// The multipart upload. The file is never held in memory: libcurl pulls it
// through the read function while it sends the file part, whose length is
// declared up front from the measured size. The pieces it is handed, and
// how much the system may queue unsent, follow the pace the file leaves at.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/socket_backlog.h"
#include "platform/text.h"
#include "transport/curl_handles.h"
#include "transport/request_setup.h"
#include "transport/form_post.h"
#include "transport/media_file_name.h"
#include "transport/response_buffer.h"
#include "transport/upload_form.h"
#include "transport/upload_pace.h"
#include "transport/upload_transport.h"
#include "transport/upload_url.h"

namespace clipferry {

namespace {

// The upload buffer libcurl is asked for: the largest piece. libcurl's own
// 64 KiB leaves a quarter to a half of a fast wire's pace to system time, in
// reads and sends four to sixteen times as many; 1 MiB keeps memory flat all
// the same. On a slow link the pieces stay far smaller (UploadPace).
constexpr long kUploadBufferBytes = long(UploadPace::kLargestPiece);
// From here on the length no longer fits libcurl's long (32 bits on Windows).
constexpr uint64_t kLongLengthLimit = uint64_t(1) << 31;

// The open media file as libcurl reads it. The form declares the file's
// length up front; a file that ends early, or that changed since it was
// measured, would otherwise go out as a complete form holding another video.
struct MediaReader {
    MediaReader(std::FILE* file, const platform::FileStamp& opened) : file(file), opened(opened) {}

    std::FILE* file;
    platform::FileStamp opened;
    uint64_t handedOut = 0;
    bool stopped = false;
    UploadPace pace;
    // The connection's socket, while it is the only one libcurl has made:
    // its unsent queue follows the pace. Once libcurl tries another beside
    // it (another address of the same host), which of them carries the
    // upload is not known here: the limits stay as they are.
    curl_socket_t socket = CURL_SOCKET_BAD;
    int socketsMade = 0;
    size_t unsentLimit = 0;
};

// libcurl's socket option callback: the first socket of the transfer starts
// with a small unsent queue, until the pace is known. One tried beside it
// gets the largest, as the system would size it, so that a fast link is
// never held to the smallest queue for a whole upload.
extern "C" int LimitUnsentQueue(void* data, curl_socket_t socket, curlsocktype purpose) {
    auto& reader = *static_cast<MediaReader*>(data);
    if (purpose != CURLSOCKTYPE_IPCXN) return CURL_SOCKOPT_OK;
    reader.socket = socket;
    ++reader.socketsMade;
    reader.unsentLimit = reader.socketsMade == 1 ? reader.pace.UnsentLimit() : UploadPace::kLargestBacklog;
    platform::LimitUnsentBytes(std::intptr_t(socket), reader.unsentLimit);
    return CURL_SOCKOPT_OK;
}

// The next piece's size, and the unsent queue set to the pace measured so far.
size_t PaceNextPiece(MediaReader& reader) {
    const size_t piece = reader.pace.NextPiece(platform::MonotonicSeconds(), reader.handedOut);
    const size_t limit = reader.pace.UnsentLimit();
    if (reader.socketsMade == 1 && limit != reader.unsentLimit) {
        reader.unsentLimit = limit;
        platform::LimitUnsentBytes(std::intptr_t(reader.socket), limit);
    }
    return piece;
}

// libcurl's read callback: never more than the declared length, nor than
// the pace's piece (libcurl sends a short piece as it is, and asks again once
// it has gone). A read that ends short, or a stamp that differs once the last
// byte is read (before it is sent), stops the transfer before the form is
// complete.
extern "C" size_t ReadMediaFile(char* buffer, size_t size, size_t count, void* data) {
    auto& reader = *static_cast<MediaReader*>(data);
    // Once stopped, never an end of file that would let the form complete.
    if (reader.stopped) return CURL_READFUNC_ABORT;
    const uint64_t left = reader.opened.size - reader.handedOut;
    const uint64_t room = std::min<uint64_t>(uint64_t(size) * count, PaceNextPiece(reader));
    const size_t wanted = size_t(std::min<uint64_t>(room, left));
    if (wanted == 0) return 0;
    const size_t got = std::fread(buffer, 1, wanted, reader.file);
    reader.handedOut += got;
    const bool last = reader.handedOut == reader.opened.size;
    if (got < wanted || (last && platform::StampOpenFile(reader.file) != reader.opened)) {
        reader.stopped = true;
        return CURL_READFUNC_ABORT;
    }
    return got;
}

// Adds the file part, declaring its exact length in the option its size needs.
CURLFORMcode AddFilePart(FormPost& form, const FormPart& part, MediaReader* reader) {
    const uint64_t size = reader->opened.size;
    if (size < kLongLengthLimit) {
        return form.Add(CURLFORM_COPYNAME, part.name, CURLFORM_FILENAME, part.value.c_str(), CURLFORM_STREAM,
                        static_cast<void*>(reader), CURLFORM_CONTENTSLENGTH, static_cast<long>(size),
                        CURLFORM_CONTENTTYPE, "application/octet-stream");
    }
    return form.Add(CURLFORM_COPYNAME, part.name, CURLFORM_FILENAME, part.value.c_str(), CURLFORM_STREAM,
                    static_cast<void*>(reader), CURLFORM_CONTENTLEN, static_cast<curl_off_t>(size),
                    CURLFORM_CONTENTTYPE, "application/octet-stream");
}

}  // namespace

int32_t PostUploadForm(RequestSettings& context, ResponseBody* response, const UploadFormValues& values,
                       const char16_t* path, ProgressCallback progress, void* progressData) {
    if (context.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    CurlBinding& curl = *context.binding;

    // Declared first, so it is closed last: libcurl reads it until the handle goes.
    const platform::FilePtr file = platform::OpenFileForReading(path);
    if (file == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    // The declared length is that of the file being sent, not of whatever the
    // path names by now.
    const std::optional<platform::FileStamp> opened = platform::StampOpenFile(file.get());
    if (!opened) return CLIPFERRY_BAD_ARGUMENT;
    MediaReader reader(file.get(), *opened);
    // libcurl asks for whole buffers at a time; a stdio buffer would only
    // split each request into two reads.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);

    const std::string fileName = MediaFileName(platform::Utf16ToUtf8(std::u16string(path)));
    // The form outlives the handle that sends it.
    FormPost form(curl);
    // A part libcurl could not take (out of memory, or a libcurl that cannot
    // take a 64-bit length) would leave the form without it, or with a wrong
    // length: nothing is sent.
    for (const FormPart& part : DescribeUploadForm(values, fileName.c_str())) {
        const CURLFORMcode added =
            part.isFile ? AddFilePart(form, part, &reader)
                        : form.Add(CURLFORM_COPYNAME, part.name, CURLFORM_COPYCONTENTS, part.value.c_str());
        if (added != CURL_FORMADD_OK) return CLIPFERRY_BAD_ARGUMENT;
    }

    EasyHandle handle(curl);
    const std::string url = UploadUrl(context.uploadServerUrl);
    const int32_t prepared = PrepareRequest(context, handle, url.c_str(), response, TimeLimit::kStandstill);
    if (prepared != CURLE_OK) return prepared;
    // Freed before the handle is reset and cleaned up. The empty Expect header
    // keeps libcurl from waiting for a 100 Continue before the body.
    HeaderList headers(curl);
    headers.Append("Expect:");
    CURL* easy = handle.get();
    // The trace goes to standard error and shows the proxy's credentials:
    // only while the host has asked for diagnostics.
    if (context.logResponses) curl.EasySetopt(easy, CURLOPT_VERBOSE, 1L);
    curl.EasySetopt(easy, CURLOPT_HTTPHEADER, static_cast<const void*>(headers.get()));
    curl.EasySetopt(easy, CURLOPT_HTTPPOST, static_cast<const void*>(form.get()));
    // libcurl asks the read function for as much as its upload buffer holds.
    // One before 7.62.0 does not know the option and keeps its default.
    curl.EasySetopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
    curl.EasySetopt(easy, CURLOPT_READFUNCTION, static_cast<curl_write_callback>(ReadMediaFile));
    curl.EasySetopt(easy, CURLOPT_READDATA, static_cast<const void*>(&reader));
    curl.EasySetopt(easy, CURLOPT_SOCKOPTFUNCTION, static_cast<curl_sockopt_callback>(LimitUnsentQueue));
    curl.EasySetopt(easy, CURLOPT_SOCKOPTDATA, static_cast<const void*>(&reader));
    if (progress != nullptr) {
        curl.EasySetopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl.EasySetopt(easy, CURLOPT_PROGRESSFUNCTION, static_cast<curl_progress_callback>(progress));
        curl.EasySetopt(easy, CURLOPT_PROGRESSDATA, progressData);
    }
    const int32_t result = curl.EasyPerform(easy);
    // libcurl reports a stop by the read callback as an abort (42), which the
    // host would take for its own cancel.
    return reader.stopped ? CURLE_READ_ERROR : result;
}

}  // namespace clipferry
