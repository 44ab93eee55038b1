#include "transport/curl_binding.h"

namespace clipferry {

const LibraryLoader& PlatformLibraryLoader() {
    static const LibraryLoader loader{platform::LoadSharedLibrary, platform::FindLibrarySymbol,
                                      platform::UnloadSharedLibrary};
    return loader;
}

CurlBinding::CurlBinding(const char16_t* fileName, const LibraryLoader& loader) : loader_(loader) {
    library_ = loader_.load(fileName);
}

CurlBinding::~CurlBinding() { Unload(); }

void CurlBinding::Unload() {
    slistAppend_ = nullptr;
    slistFreeAll_ = nullptr;
    formadd_ = nullptr;
    formfree_ = nullptr;
    easyInit_ = nullptr;
    easySetopt_ = nullptr;
    easyPerform_ = nullptr;
    easyReset_ = nullptr;
    easyCleanup_ = nullptr;
    if (library_ != nullptr) {
        loader_.unload(library_);
        library_ = nullptr;
    }
}

curl_slist* CurlBinding::SlistAppend(curl_slist* list, const char* text) {
    auto entry = Lookup(slistAppend_, "curl_slist_append");
    return entry != nullptr ? entry(list, text) : nullptr;
}

void CurlBinding::SlistFreeAll(curl_slist* list) {
    if (auto entry = Lookup(slistFreeAll_, "curl_slist_free_all")) entry(list);
}

void CurlBinding::FormFree(curl_httppost* first) {
    if (auto entry = Lookup(formfree_, "curl_formfree")) entry(first);
}

CURL* CurlBinding::EasyInit() {
    auto entry = Lookup(easyInit_, "curl_easy_init");
    if (entry == nullptr) return nullptr;
    // The first handle makes libcurl initialise itself, which older versions
    // do not do safely on two threads at once. Not a "done once" flag: the
    // library may be unloaded and loaded again, needing it anew.
    platform::LibraryCallLock lock;
    return entry();
}

template <typename Value>
CURLcode CurlBinding::ForwardSetopt(CURL* handle, CURLoption option, Value value) {
    auto entry = Lookup(easySetopt_, "curl_easy_setopt");
    const CURLcode result = entry != nullptr ? entry(handle, option, value) : CURLE_ABORTED_BY_CALLBACK;
    // An option this libcurl does not know is one it is older than; whoever
    // sets it decides whether the request can go without it.
    if (result != CURLE_OK && result != CURLE_UNKNOWN_OPTION && refusedHandle_ != handle) {
        refusedHandle_ = handle;
        refusal_ = result;
    }
    return result;
}

CURLcode CurlBinding::EasySetopt(CURL* handle, CURLoption option, long value) {
    return ForwardSetopt(handle, option, value);
}
CURLcode CurlBinding::EasySetopt(CURL* handle, CURLoption option, const void* value) {
    return ForwardSetopt(handle, option, value);
}
CURLcode CurlBinding::EasySetopt(CURL* handle, CURLoption option, curl_write_callback value) {
    return ForwardSetopt(handle, option, value);
}
CURLcode CurlBinding::EasySetopt(CURL* handle, CURLoption option, curl_progress_callback value) {
    return ForwardSetopt(handle, option, value);
}
CURLcode CurlBinding::EasySetopt(CURL* handle, CURLoption option, curl_sockopt_callback value) {
    return ForwardSetopt(handle, option, value);
}
CURLcode CurlBinding::EasySetoptOffset(CURL* handle, CURLoption option, curl_off_t value) {
    return ForwardSetopt(handle, option, value);
}

CURLcode CurlBinding::EasyPerform(CURL* handle) {
    if (handle != nullptr && handle == refusedHandle_) return refusal_;
    auto entry = Lookup(easyPerform_, "curl_easy_perform");
    return entry != nullptr ? entry(handle) : CURLE_ABORTED_BY_CALLBACK;
}

void CurlBinding::EasyReset(CURL* handle) {
    if (handle == refusedHandle_) refusedHandle_ = nullptr;
    if (auto entry = Lookup(easyReset_, "curl_easy_reset")) entry(handle);
}

void CurlBinding::EasyCleanup(CURL* handle) {
    if (handle == refusedHandle_) refusedHandle_ = nullptr;
    if (auto entry = Lookup(easyCleanup_, "curl_easy_cleanup")) entry(handle);
}

}  // namespace clipferry
