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
#include "temporary_folder.h"

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

// The temporary folder, set as TMPDIR (where the scratch and dump files go)
// for the test's duration.
class OwnTemporaryDirectory : public TemporaryFolder {
public:
    OwnTemporaryDirectory() : tmpdir_("TMPDIR", path().string()) {}

private:
    ScopedEnvironment tmpdir_;
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
