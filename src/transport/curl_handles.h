// Owners for the libcurl objects of one transfer, released through the
// binding that made them.
#pragma once

#include "transport/curl_binding.h"

namespace clipferry {

// An easy handle: reset, then cleaned up, when it goes.
class EasyHandle {
public:
    explicit EasyHandle(CurlBinding& curl) : curl_(curl), handle_(curl.EasyInit()) {}
    ~EasyHandle() {
        if (handle_ == nullptr) return;
        curl_.EasyReset(handle_);
        curl_.EasyCleanup(handle_);
    }
    EasyHandle(const EasyHandle&) = delete;
    EasyHandle& operator=(const EasyHandle&) = delete;

    CURL* get() const { return handle_; }

private:
    CurlBinding& curl_;
    CURL* handle_;
};

// A request header list. The head returned by the first append is kept and
// freed; later appends add to it.
class HeaderList {
public:
    explicit HeaderList(CurlBinding& curl) : curl_(curl) {}
    ~HeaderList() {
        if (head_ != nullptr) curl_.SlistFreeAll(head_);
    }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    void Append(const char* line) {
        curl_slist* list = curl_.SlistAppend(head_, line);
        if (list == nullptr) complete_ = false;
        if (head_ == nullptr) head_ = list;
    }
    curl_slist* get() const { return head_; }
    // False once an append failed (out of memory): the list lacks that line.
    bool Complete() const { return complete_; }

private:
    CurlBinding& curl_;
    curl_slist* head_ = nullptr;
    bool complete_ = true;
};

}  // namespace clipferry
