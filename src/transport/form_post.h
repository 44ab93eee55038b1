// Owner of a multipart form built with libcurl's form interface, freed
// through the binding that built it.
#pragma once

#include "transport/curl_binding.h"

namespace clipferry {

class FormPost {
public:
    explicit FormPost(CurlBinding& curl) : curl_(curl) {}
    ~FormPost() {
        if (first_ != nullptr) curl_.FormFree(first_);
    }
    FormPost(const FormPost&) = delete;
    FormPost& operator=(const FormPost&) = delete;

    // Adds one part; the option/value pairs go to libcurl unchanged.
    template <typename... Pairs>
    CURLFORMcode Add(Pairs... pairs) {
        return curl_.FormAdd(&first_, &last_, pairs...);
    }
    curl_httppost* get() const { return first_; }

private:
    CurlBinding& curl_;
    curl_httppost* first_ = nullptr;
    curl_httppost* last_ = nullptr;
};

}  // namespace clipferry
