// Arbitrary bytes as a service answer, through the response document and
// every extraction the operations and the upload-server discovery run on it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "xml/login_record.h"
#include "api/operation_frame.h"
#include "api/upload_verdict.h"
#include "transport/response_buffer.h"
#include "xml/list_extraction.h"
#include "xml/login_extraction.h"
#include "xml/response_document.h"

namespace {

using namespace clipferry;

// Reads every unit of each text handed out, so a dangling or unterminated
// one is reported where the callback runs.
size_t Touch(const clipferry_char* text) {
    return text == nullptr ? 0 : std::char_traits<char16_t>::length(reinterpret_cast<const char16_t*>(text));
}

void CLIPFERRY_CALL OnCategory(int32_t, const clipferry_char* name, int32_t, void* data) {
    *static_cast<size_t*>(data) += Touch(name);
}

void CLIPFERRY_CALL OnModerator(int32_t, const clipferry_char* first, const clipferry_char* last, int32_t, void* data) {
    *static_cast<size_t*>(data) += Touch(first) + Touch(last);
}

// The SOAP lists and the login: the whole answer is parsed.
void ExtractSoapAnswers(const xml::ResponseDocument& document) {
    LoginRecord record;
    std::memset(&record, 0, sizeof record);
    if (xml::ReadLoginStatus(document)) xml::ReadLoginInformation(document, record);

    char16_t fileTypes[260] = {};
    xml::ReadFileTypes(document, fileTypes, 260);
    char16_t tiny[1] = {u'x'};
    xml::ReadFileTypes(document, tiny, 1);

    size_t touched = 0;
    xml::ReadResultCount(document);
    xml::EnumerateCategories(document, &touched, OnCategory);
    xml::EnumerateModerators(document, &touched, OnModerator);

    // The discovered server's address, one unit wider than its field.
    char16_t address[1041] = {};
    document.LookupText(u"url", address, 1041);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The answer arrives as libcurl hands it over: through the response body.
    ResponseBody body;
    if (!AppendChunk(body, reinterpret_cast<const char*>(data), size, StandardBufferAllocator()) ||
        body.Text() == nullptr)
        return 0;

    {
        xml::ResponseDocument document;
        if (LoadAnswer(body.Text(), body.Length(), /*fromDeclaration=*/false, document) == 1) {
            ExtractSoapAnswers(document);
            document.DeleteScratch();
        }
    }
    {
        // The upload server's answer, with what comes before "<?xml" skipped;
        // a message buffer of every awkward size.
        xml::ResponseDocument document;
        if (LoadAnswer(body.Text(), body.Length(), /*fromDeclaration=*/true, document) == 1) {
            char16_t message[300];
            ReadUploadVerdict(document, nullptr, 300);
            for (uint32_t size : {0u, 1u, 2u, 300u}) ReadUploadVerdict(document, message, size);
            document.DeleteScratch();
        }
    }
    return 0;
}
