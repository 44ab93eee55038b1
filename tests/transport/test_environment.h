// Contexts for the transport tests, created under the environment variables
// a context reads when it is made.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "api/operations.h"
#include "api/uploader_context.h"
#include "scoped_environment.h"

namespace clipferry::testing {

using ContextPtr = std::unique_ptr<UploaderContext>;

// A context whose traffic goes to proxy (null: no proxy) through the libcurl
// file named by curlLibrary (null: the system's).
inline ContextPtr MakeContext(const char* proxy, const char* curlLibrary = nullptr) {
    auto value = [](const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; };
    test::ScopedEnvironment proxyVariable("CLIPFERRY_PROXY_SERVER", value(proxy));
    test::ScopedEnvironment curlVariable("CLIPFERRY_CURL_LIBRARY", value(curlLibrary));
    return ContextPtr(CreateUploaderContext());
}

// Runs the discovery as an upload does, with its scratch file made first.
inline void DiscoverUploadServer(UploaderContext& context) {
    xml::ResponseDocument document;
    if (document.PrepareScratch()) RunDiscovery(context, document);
}

}  // namespace clipferry::testing
