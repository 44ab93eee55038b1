// libcurl loaded at run time: each entry point is looked up on first use, and
// a missing library or entry point answers with a fixed result instead.
#pragma once

#include <curl/curl.h>

#include "platform/dynamic_library.h"

namespace clipferry {

// How a binding reaches the loader; tests put a counting one in its place.
struct LibraryLoader {
    platform::LibraryHandle (*load)(const char16_t* fileName);
    void* (*find)(platform::LibraryHandle library, const char* name);
    void (*unload)(platform::LibraryHandle library);
};

const LibraryLoader& PlatformLibraryLoader();

class CurlBinding {
public:
    explicit CurlBinding(const char16_t* fileName, const LibraryLoader& loader = PlatformLibraryLoader());
    ~CurlBinding();
    CurlBinding(const CurlBinding&) = delete;
    CurlBinding& operator=(const CurlBinding&) = delete;

    // Drops every entry point, then unloads the library once.
    void Unload();
    bool IsBound() const { return library_ != nullptr; }
    // Whether easy handles can be asked for at all: a library without
    // curl_easy_init is not libcurl, whatever loaded.
    bool HasEasyInit() { return Lookup(easyInit_, "curl_easy_init") != nullptr; }

    curl_slist* SlistAppend(curl_slist* list, const char* text);
    void SlistFreeAll(curl_slist* list);

    // The option/value pairs go to libcurl unchanged, in the caller's order,
    // followed by CURLFORM_END.
    template <typename... Pairs>
    CURLFORMcode FormAdd(curl_httppost** first, curl_httppost** last, Pairs... pairs) {
        auto entry = Lookup(formadd_, "curl_formadd");
        if (entry == nullptr) return CURL_FORMADD_NULL;
        return entry(first, last, pairs..., CURLFORM_END);
    }
    void FormFree(curl_httppost* first);

    CURL* EasyInit();
    // One overload per kind of value libcurl's interface gives its options
    // (the read callback has the write callback's type). An option libcurl
    // refuses for any reason but not knowing it (out of memory, a missing
    // entry point) is remembered until the handle is reset: EasyPerform on
    // that handle then returns the refusal without a transfer, since a
    // request without its answer's target, its body or its limits must not go.
    CURLcode EasySetopt(CURL* handle, CURLoption option, long value);
    CURLcode EasySetopt(CURL* handle, CURLoption option, const void* value);
    CURLcode EasySetopt(CURL* handle, CURLoption option, curl_write_callback value);
    CURLcode EasySetopt(CURL* handle, CURLoption option, curl_progress_callback value);
    CURLcode EasySetopt(CURL* handle, CURLoption option, curl_sockopt_callback value);
    CURLcode EasySetoptOffset(CURL* handle, CURLoption option, curl_off_t value);
    // libcurl's result, or the first refusal of an option set on handle.
    CURLcode EasyPerform(CURL* handle);
    void EasyReset(CURL* handle);
    void EasyCleanup(CURL* handle);

private:
    template <typename Function>
    Function Lookup(Function& cache, const char* name) {
        if (library_ == nullptr) return nullptr;
        if (cache == nullptr) cache = reinterpret_cast<Function>(loader_.find(library_, name));
        return cache;
    }
    template <typename Value>
    CURLcode ForwardSetopt(CURL* handle, CURLoption option, Value value);

    LibraryLoader loader_;
    platform::LibraryHandle library_ = nullptr;
    decltype(&curl_slist_append) slistAppend_ = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll_ = nullptr;
    decltype(&curl_formadd) formadd_ = nullptr;
    decltype(&curl_formfree) formfree_ = nullptr;
    decltype(&curl_easy_init) easyInit_ = nullptr;
    decltype(&curl_easy_setopt) easySetopt_ = nullptr;
    decltype(&curl_easy_perform) easyPerform_ = nullptr;
    decltype(&curl_easy_reset) easyReset_ = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup_ = nullptr;
    // The handle an option was refused on since it was made or reset, and the
    // first refusal. One request at a time runs on a binding.
    CURL* refusedHandle_ = nullptr;
    CURLcode refusal_ = CURLE_OK;
};

}  // namespace clipferry
