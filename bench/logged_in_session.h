// What every benchmark host starts with: a context whose traffic goes through
// the sink as its proxy, logged in, and released whatever happens.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "clipferry.h"

class LoggedInSession {
public:
    // The proxy is read when the context is created.
    explicit LoggedInSession(const char* proxy) {
        setenv("CLIPFERRY_PROXY_SERVER", proxy, 1);
        handle_ = CLIPFERRY_Init();
        if (handle_ == nullptr) return;
        const int32_t login = CLIPFERRY_Login(handle_, u"bench", u"bench");
        if (login != 0) std::fprintf(stderr, "host: login gave %d\n", int(login));
        loggedIn_ = login == 0;
    }
    ~LoggedInSession() { CLIPFERRY_Release(handle_); }
    LoggedInSession(const LoggedInSession&) = delete;
    LoggedInSession& operator=(const LoggedInSession&) = delete;

    void* handle() const { return handle_; }
    bool loggedIn() const { return loggedIn_; }

private:
    void* handle_ = nullptr;
    bool loggedIn_ = false;
};
