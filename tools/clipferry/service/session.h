// One uploader context of the library, as any host holds it: created on
// construction, released on destruction. The only file that calls the C API's
// exports; result_codes.cpp reads the header's static clipferry_result_text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/answer_files.h"
#include "service/service.h"

namespace clipferry::cli {

// Whether the service (or the proxy in use) answers a login as Lumivid does,
// asked with a login for a user that does not exist and its answer kept by
// the log switch in a private folder, removed afterwards. Empty when that
// login did not get an answer. For telling a refused login from a proxy or
// web server that is not Lumivid's: the library gives both the same result.
std::optional<bool> answersAsLumivid();

// The version of the library's header the command was built with.
std::string libraryHeaderVersion();

// The real service: one context of the library.
class Session final : public Service {
public:
    // `stop`: asked while an upload runs and while it is held to its rate;
    // true cancels it (Ctrl-C). Throws std::runtime_error when the library
    // cannot create a context.
    explicit Session(std::function<bool()> stop);

    int32_t login(const std::string& user, const Secret& password) override;
    int32_t fileTypes(std::string& types) override;
    int32_t categories(int32_t parent, std::vector<Category>& children) override;
    int32_t moderators(std::vector<Moderator>& moderators) override;
    Attempt upload(const UploadJob& upload, ProgressMeter* meter, const UploadSteps& steps,
                   const UploadLimits& limits, UploadReport& report) override;
    std::optional<bool> answersAsLumivid() override { return cli::answersAsLumivid(); }

private:
    struct Release {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Release> handle_;
    std::function<bool()> stop_;
};

}  // namespace clipferry::cli
