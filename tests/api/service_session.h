// A host's view of the library in the service tests: a handle created with
// the local service as proxy, released at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "api/uploader_context.h"
#include "clipferry.h"
#include "devserver_client.h"
#include "scoped_environment.h"

namespace clipferry::test {

class ServiceSession {
public:
    explicit ServiceSession(std::optional<std::string> log = std::nullopt) {
        ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", DevServerProxy());
        ScopedEnvironment logSwitch("CLIPFERRY_LOG", log);
        handle_ = CLIPFERRY_Init();
    }
    ~ServiceSession() { CLIPFERRY_Release(handle_); }
    ServiceSession(const ServiceSession&) = delete;
    ServiceSession& operator=(const ServiceSession&) = delete;

    void* handle() const { return handle_; }
    UploaderContext& context() const { return *static_cast<UploaderContext*>(handle_); }
    int32_t Login(const std::u16string& user, const std::u16string& password) const {
        return CLIPFERRY_Login(handle_, user.c_str(), password.c_str());
    }

private:
    void* handle_ = nullptr;
};

// A temporary directory of the test's own, set as TMPDIR (where the scratch
// and dump files go) for the test's duration.
class OwnTemporaryDirectory {
public:
    OwnTemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "clipferry-api-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
        tmpdir_.emplace("TMPDIR", path_);
    }
    ~OwnTemporaryDirectory() {
        tmpdir_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    bool Has(const std::string& name) const { return std::filesystem::exists(File(name)); }
    // Whether any scratch file, whatever its name, was left behind.
    bool HasScratch() const {
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            if (entry.path().filename().string().rfind("LumividRes", 0) == 0) return true;
        return false;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
    std::optional<ScopedEnvironment> tmpdir_;
};

// Scripts the next SOAP answer of the service.
inline void ScriptApiAnswer(const std::string& body, int status = 200) {
    ScriptedResponse response;
    response.path = "/0.1.1/api";
    response.status = status;
    response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    response.body = body;
    ScriptResponse(response);
}

inline std::string SoapAnswer(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"urn:x\">"
           "<SOAP-ENV:Body><ns1:Response>" +
           inner + "</ns1:Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

}  // namespace clipferry::test
