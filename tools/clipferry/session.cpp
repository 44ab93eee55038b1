#include "session.h"

#include <clipferry.h>

#include <stdexcept>

#include "interrupt.h"
#include "text.h"

namespace clipferry::cli {

namespace {
constexpr size_t kFileTypesSize = 8192;  // units; ample for a list of patterns
constexpr size_t kMessageSize = 4096;

const clipferry_char* api(const std::u16string& text) {
    return reinterpret_cast<const clipferry_char*>(text.c_str());
}

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
    bool sending = false;
    bool everyByteSent = false;
    double bytesSent = 0;
};

void tell(const std::function<void()>& step) {
    if (step) step();
}

int CLIPFERRY_CALL reportProgress(void* data, double, double, double total, double sent) {
    auto* watch = static_cast<UploadWatch*>(data);
    if (!watch->sending) {
        watch->sending = true;
        tell(watch->steps.sending);
    }
    watch->bytesSent = sent;
    if (watch->meter) {
        watch->meter->update(sent, total);
    }
    if (total > 0 && sent >= total && !watch->everyByteSent) {
        watch->everyByteSent = true;
        tell(watch->steps.everyByteSent);
    }
    return interrupted() ? 1 : 0;  // non-zero makes the library abort the upload
}
}  // namespace

std::string libraryHeaderVersion() {
#ifdef CLIPFERRY_VERSION
    return CLIPFERRY_VERSION;
#else
    return CLIPFERRY_CLI_PROJECT_VERSION;  // the header names no version of its own yet
#endif
}

void Session::Release::operator()(void* handle) const { CLIPFERRY_Release(handle); }

Session::Session() : handle_(CLIPFERRY_Init()) {
    if (!handle_) {
        throw std::runtime_error("the library could not create an uploader context");
    }
}

int32_t Session::login(const std::string& user, const std::string& password) {
    return CLIPFERRY_Login(handle_.get(), api(toUtf16(user)), api(toUtf16(password)));
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
                        UploadReport& report) {
    std::vector<clipferry_char> buffer(kMessageSize, 0);
    UploadWatch watch{meter, steps};
    const VideoFields& fields = upload.fields;
    int32_t result = CLIPFERRY_DoUpload(
        handle_.get(), api(toUtf16(upload.file)), api(toUtf16(fields.title)),
        api(toUtf16(fields.description)), api(toUtf16(fields.tags)), fields.moderator,
        fields.category, fields.category2, fields.category3, buffer.data(),
        static_cast<uint32_t>(buffer.size()), reportProgress, &watch);
    report.message = fromApi(buffer.data());
    report.bytesSent = watch.bytesSent;
    return {result, watch.everyByteSent};
}

}  // namespace clipferry::cli
