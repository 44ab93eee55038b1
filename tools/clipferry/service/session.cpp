#include "service/session.h"

#include <clipferry.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <thread>

#include "progress/pacing.h"
#include "progress/progress.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
constexpr size_t kFileTypesSize = 8192;  // units; ample for a list of patterns
constexpr size_t kMessageSize = 4096;

const clipferry_char* api(const std::u16string& text) {
    return reinterpret_cast<const clipferry_char*>(text.c_str());
}

const clipferry_char* api(const char16_t* text) { return reinterpret_cast<const clipferry_char*>(text); }

std::string fromApi(const clipferry_char* text) {
    return toUtf8(reinterpret_cast<const char16_t*>(text));
}

void CLIPFERRY_CALL addCategory(int32_t id, const clipferry_char* name, int32_t, void* userData) {
    static_cast<std::vector<Category>*>(userData)->push_back({id, fromApi(name), {}});
}

void CLIPFERRY_CALL addModerator(int32_t id, const clipferry_char* firstName,
                                 const clipferry_char* lastName, int32_t, void* userData) {
    static_cast<std::vector<Moderator>*>(userData)->push_back(
        {id, fromApi(firstName), fromApi(lastName)});
}

struct UploadWatch {
    ProgressMeter* meter = nullptr;
    const UploadSteps& steps;
    const UploadLimits& limits;
    const std::function<bool()>& stop;  // Ctrl-C
    StallWatch stall{limits.stallTimeout};
    RateCeiling ceiling{limits.rate};
    bool started = false;
    bool sending = false;
    bool everyByteSent = false;
    bool stalled = false;
    double bytesSent = 0;
};

// What the meter is shown of `sent`: with --limit-rate, no more than the rate
// has let out by now. libcurl counts a buffer as sent the moment it takes
// it, before the hold below evens the average out, so its count would show
// an average above the limit that was given.
void showProgress(UploadWatch& watch, double sent, double total) {
    if (!watch.meter) return;
    watch.meter->update(std::min(sent, watch.ceiling.allowed(sent, steadySeconds())), total);
}

// Holds the transfer, in short steps so Ctrl-C is still noticed, until the
// bytes sent are back within the rate.
void pace(UploadWatch& watch, double sent, double total) {
    double delay = watch.ceiling.delay(sent, steadySeconds());
    if (delay <= 0) return;
    while (delay > 0 && !watch.stop()) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(delay, 0.1)));
        showProgress(watch, sent, total);  // the clock goes on while held
        delay = watch.ceiling.delay(sent, steadySeconds());
    }
    watch.stall.heldUntil(steadySeconds());
    showProgress(watch, sent, total);
}

void tell(const std::function<void()>& step) {
    if (step) step();
}

int CLIPFERRY_CALL reportProgress(void* data, double, double received, double total, double sent) {
    auto* watch = static_cast<UploadWatch*>(data);
    const double now = steadySeconds();
    // Until the form's size is known the upload server is being asked for or
    // reached: nothing to show yet, but Ctrl-C and a standstill end it all the same.
    if (!watch->sending && total <= 0 && sent <= 0) {
        if (watch->stall.stalled(received, now)) {
            watch->stalled = true;
            return 1;
        }
        return watch->stop() ? 1 : 0;
    }
    if (!watch->sending) {
        watch->sending = true;
        tell(watch->steps.sending);
    }
    if (!watch->started) {
        // libcurl may have sent a first piece already. The meter's clock starts
        // first, so the average it shows never runs ahead of --limit-rate.
        if (watch->meter) watch->meter->update(0, total);
        watch->ceiling.start(steadySeconds());
        watch->started = true;
    }
    watch->bytesSent = sent;
    showProgress(*watch, sent, total);
    if (total > 0 && sent >= total && !watch->everyByteSent) {
        watch->everyByteSent = true;
        tell(watch->steps.everyByteSent);
    }
    // A verdict coming in slowly is progress too.
    if (watch->stall.stalled(sent + received, now)) {
        watch->stalled = true;
        return 1;
    }
    pace(*watch, sent, total);
    return watch->stop() ? 1 : 0;  // non-zero makes the library abort the upload
}
}  // namespace

std::string libraryHeaderVersion() {
    return CLIPFERRY_VERSION;
}

void Session::Release::operator()(void* handle) const { CLIPFERRY_Release(handle); }

Session::Session(std::function<bool()> stop) : handle_(CLIPFERRY_Init()), stop_(std::move(stop)) {
    if (!handle_) {
        throw std::runtime_error("the library could not create an uploader context");
    }
}

int32_t Session::login(const std::string& user, const Secret& password) {
    const BasicSecret<char16_t> wide = toUtf16(password);  // wiped once the library has it
    return CLIPFERRY_Login(handle_.get(), api(toUtf16(user)), api(wide.c_str()));
}

int32_t Session::fileTypes(std::string& types) {
    std::vector<clipferry_char> buffer(kFileTypesSize, 0);
    int32_t result =
        CLIPFERRY_GetFileTypes(handle_.get(), buffer.data(), static_cast<uint32_t>(buffer.size()));
    types = fromApi(buffer.data());
    return result;
}

int32_t Session::categories(int32_t parent, std::vector<Category>& children) {
    children.clear();
    return CLIPFERRY_GetCategories(handle_.get(), parent, &children, addCategory, nullptr);
}

int32_t Session::moderators(std::vector<Moderator>& moderators) {
    moderators.clear();
    return CLIPFERRY_GetModerators(handle_.get(), &moderators, addModerator, nullptr);
}

Attempt Session::upload(const UploadJob& upload, ProgressMeter* meter, const UploadSteps& steps,
                        const UploadLimits& limits, UploadReport& report) {
    std::vector<clipferry_char> buffer(kMessageSize, 0);
    UploadWatch watch{meter, steps, limits, stop_};
    const VideoFields& fields = upload.fields;
    int32_t result = CLIPFERRY_DoUpload(
        handle_.get(), api(toUtf16(upload.file)), api(toUtf16(fields.title)),
        api(toUtf16(fields.description)), api(toUtf16(fields.tags)), fields.moderator,
        fields.category, fields.category2, fields.category3, buffer.data(),
        static_cast<uint32_t>(buffer.size()), reportProgress, &watch);
    report.message = fromApi(buffer.data());
    report.bytesSent = watch.bytesSent;
    report.stalledFor = watch.stalled ? watch.stall.stillFor() : 0;
    return {result, watch.everyByteSent};
}

namespace {
// Sets an environment variable for its lifetime, then puts back what was there.
class VariableFor {
public:
    VariableFor(const char* name, const std::string& value) : name_(name) {
        if (const char* was = std::getenv(name)) was_ = was;
        setenv(name, value.c_str(), 1);
    }
    ~VariableFor() {
        if (was_) {
            setenv(name_, was_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    VariableFor(const VariableFor&) = delete;
    VariableFor& operator=(const VariableFor&) = delete;

private:
    const char* name_;
    std::optional<std::string> was_;
};
}  // namespace

std::optional<bool> answersAsLumivid() {
    namespace fs = std::filesystem;
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "clipferry-probe-XXXXXX").string();
    if (error || !mkdtemp(pattern.data())) return std::nullopt;
    const fs::path folder = pattern;
    std::optional<bool> lumivid;
    {
        // The log switch is read when the context is made, the folder when the answer is kept.
        VariableFor folderVariable("TMPDIR", folder.string());
        std::unique_ptr<void, void (*)(void*)> probe(
            [] {
                VariableFor logSwitch(kLogVariable, kKeepAnswers);
                return CLIPFERRY_Init();
            }(),
            [](void* handle) { CLIPFERRY_Release(handle); });
        // A user that does not exist: Lumivid refuses it in its own words, and no one's
        // password goes out a second time. The header promises the dump's name and that
        // it holds the answer as it came: Lumivid's, refused too, has its LoginStatus.
        if (probe && CLIPFERRY_Login(probe.get(), api(u"clipferry-probe"), api(u"x")) == CLIPFERRY_REFUSED) {
            std::ifstream answer(folder / kLoginAnswerFile, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(answer)), std::istreambuf_iterator<char>());
            lumivid = text.find("LoginStatus") != std::string::npos;
        }
    }
    fs::remove_all(folder, error);
    return lumivid;
}

}  // namespace clipferry::cli
