// Environment settings for the transport tests: the variables a context reads
// when it is created, set for one scope.
#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "api/uploader_context.h"

namespace clipferry::testing {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

using ContextPtr = std::unique_ptr<UploaderContext>;

inline ContextPtr MakeContext() { return ContextPtr(CreateUploaderContext()); }

// A context whose traffic goes to proxy (null: no proxy) through the libcurl
// file named by curlLibrary (null: the system's).
inline ContextPtr MakeContext(const char* proxy, const char* curlLibrary = nullptr) {
    ScopedEnv proxyVariable("CLIPFERRY_PROXY_SERVER", proxy);
    ScopedEnv curlVariable("CLIPFERRY_CURL_LIBRARY", curlLibrary);
    return MakeContext();
}

inline std::string StubLibrary(const char* name) { return std::string(CLIPFERRY_TEST_STUB_DIR) + "/" + name; }

}  // namespace clipferry::testing
