// The throttling relay (throttling_relay.py) as a child process of a test: a
// slow link on loopback between the library and the local service.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace clipferry::testing {

class ThrottlingRelay {
public:
    // Starts a relay to 127.0.0.1:upstreamPort that reads from its clients
    // at bytesPerSecond; Proxy() is empty when it could not be started.
    ThrottlingRelay(int upstreamPort, double bytesPerSecond);
    // Closes the relay's input, which ends it.
    ~ThrottlingRelay();
    ThrottlingRelay(const ThrottlingRelay&) = delete;
    ThrottlingRelay& operator=(const ThrottlingRelay&) = delete;

    // "127.0.0.1:PORT", for the context's proxy.
    std::string Proxy() const { return port_ > 0 ? "127.0.0.1:" + std::to_string(port_) : ""; }

    // The bytes passed on so far by the connections still open.
    uint64_t Forwarded();

    // Once no connection is open: what each connection that ended since the
    // last call passed on, in the order they ended.
    std::vector<uint64_t> WaitIdle();

private:
    std::string Ask(const char* command);

    pid_t child_ = -1;
    std::FILE* toRelay_ = nullptr;
    std::FILE* fromRelay_ = nullptr;
    int port_ = 0;
};

}  // namespace clipferry::testing
