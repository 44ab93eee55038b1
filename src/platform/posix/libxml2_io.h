// Parsing untrusted bytes into a libxml2 tree shaped as the DOM promises.
#pragma once

#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <string>

namespace clipferry::platform::libxml2 {

// libxml2 reports encoding and I/O errors through its generic handler, which
// prints to stderr whatever the parse options say. While one of these lives,
// this thread's handler prints nothing; the host's comes back after.
class QuietGenericErrors {
public:
    QuietGenericErrors() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(nullptr, Quiet);
    }
    ~QuietGenericErrors() { xmlSetGenericErrorFunc(context_, handler_); }
    QuietGenericErrors(const QuietGenericErrors&) = delete;
    QuietGenericErrors& operator=(const QuietGenericErrors&) = delete;

private:
    static void Quiet(void*, const char*, ...) {}
    xmlGenericErrorFunc handler_;
    void* context_;
};

// Parses the bytes without touching the network or any other file and
// without printing anything; null when they are not well-formed XML or
// carry a document type declaration (refused before it is read). The XML
// declaration, if any, shows as a first child "xml" processing instruction,
// and whitespace-only text between elements is gone.
xmlDocPtr ParseUntrusted(const std::string& bytes);

}  // namespace clipferry::platform::libxml2
