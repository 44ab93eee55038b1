// What the command asks of Lumivid, as an interface: the session over the
// library is the real one; the commands' tests hand them a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <clipferry-common/secret.h>

#include "progress/progress.h"
#include "service/retry.h"

namespace clipferry::cli {

struct Category {
    int32_t id = 0;
    std::string name;
    std::vector<Category> children;
};

struct Moderator {
    int32_t id = 0;
    std::string firstName;
    std::string lastName;
};

// What the service is told about one video.
struct VideoFields {
    std::string title;
    std::string description;
    std::string tags;
    int32_t category = 0;
    int32_t category2 = 0;
    int32_t category3 = 0;
    int32_t moderator = 0;
};

// One file to upload with everything the service is told about it.
struct UploadJob {
    std::string file;
    VideoFields fields;
};

// What an upload tells the command while it runs, for --verbose; either may be empty.
struct UploadSteps {
    std::function<void()> sending;        // the upload server is known, the form goes out
    std::function<void()> everyByteSent;  // the service's verdict is awaited
};

struct UploadReport {
    std::string message;  // the service's
    double bytesSent = 0;
    double stalledFor = 0;  // > 0: given up after this long without progress (--stall-timeout)
};

// What the command adds to the library's upload: --limit-rate and --stall-timeout.
struct UploadLimits {
    double rate = 0;          // bytes per second; 0: none
    double stallTimeout = 0;  // seconds; 0: the library's own
};

// Each call gives the library's result: 0 for success, else a result code.
class Service {
public:
    virtual ~Service() = default;

    virtual int32_t login(const std::string& user, const Secret& password) = 0;
    virtual int32_t fileTypes(std::string& types) = 0;
    virtual int32_t categories(int32_t parent, std::vector<Category>& children) = 0;
    virtual int32_t moderators(std::vector<Moderator>& moderators) = 0;
    // `meter` may be null. The upload stops when Ctrl-C was pressed. The
    // attempt says whether the whole request went out.
    virtual Attempt upload(const UploadJob& upload, ProgressMeter* meter, const UploadSteps& steps,
                           const UploadLimits& limits, UploadReport& report) = 0;
    // Whether whatever answers logins answers as Lumivid does; empty when
    // that could not be learnt. The library gives a refused login and an
    // answer from something else (a wrong proxy) the same result.
    virtual std::optional<bool> answersAsLumivid() = 0;
};

// Makes the service a command talks to; throws std::runtime_error when it cannot.
using ServiceFactory = std::function<std::unique_ptr<Service>()>;

}  // namespace clipferry::cli
