// Parsing untrusted bytes into a libxml2 tree shaped as the DOM promises,
// and serialising a tree in the encoding its declaration names.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace clipferry::platform::libxml2 {

// Parses the bytes without touching the network or any other file and
// without printing anything; null when they are not well-formed XML or
// carry a document type declaration (refused before it is read). The XML
// declaration, if any, shows as a first child "xml" processing instruction,
// and whitespace-only text between elements is gone.
xmlDocPtr ParseUntrusted(const std::string& bytes);

// The document as bytes, in the encoding named by a leading "xml"
// declaration (written by the serialiser itself), else UTF-8 without a
// declaration. False when the encoding is unknown or the output failed.
bool Serialise(xmlDocPtr doc, std::string& out);

}  // namespace clipferry::platform::libxml2
