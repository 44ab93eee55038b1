// One uploader context of the library, as any host holds it: created on
// construction, released on destruction. The only file that calls the C API.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/category_tree.h"
#include "app/options.h"
#include "progress/progress.h"
#include "service/retry.h"

namespace clipferry::cli {

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

struct Moderator {
    int32_t id = 0;
    std::string firstName;
    std::string lastName;
};

// Whether the service (or the proxy in use) answers a login as Lumivid does,
// asked with a login for a user that does not exist and its answer kept by
// the log switch in a private folder, removed afterwards. Empty when that
// login did not get an answer. For telling a refused login from a proxy or
// web server that is not Lumivid's: the library gives both the same result.
std::optional<bool> answersAsLumivid();

// The log switch: CLIPFERRY_LOG=999 makes the library keep each raw answer
// in the temporary directory, the login's as Clipferry_Login.xml.
inline constexpr char kLogVariable[] = "CLIPFERRY_LOG";
inline constexpr char kKeepAnswers[] = "999";
inline constexpr char kLoginAnswerFile[] = "Clipferry_Login.xml";
inline constexpr char kAnswerFiles[] = "Clipferry_*.xml";
bool keepsAnswers();  // the log switch is on
// Where the switch keeps them: TMPDIR, else /tmp, ending in a slash.
std::string dumpDirectory();

// The version of the library's header the command was built with.
std::string libraryHeaderVersion();

class Session {
public:
    Session();  // throws std::runtime_error when the library cannot create a context

    int32_t login(const std::string& user, const std::string& password);
    int32_t fileTypes(std::string& types);
    int32_t categories(int32_t parent, std::vector<Category>& children);
    int32_t moderators(std::vector<Moderator>& moderators);
    // `meter` may be null. The upload stops when Ctrl-C was pressed. The
    // attempt says whether libcurl saw the whole request go out.
    Attempt upload(const UploadJob& upload, ProgressMeter* meter, const UploadSteps& steps,
                   const UploadLimits& limits, UploadReport& report);

private:
    struct Release {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Release> handle_;
};

}  // namespace clipferry::cli
