// What a call with no answer yet is waiting for, said on a terminal after a
// moment ("waiting for 127.0.0.1:8765 (the proxy, from --proxy) 0:05"), so a
// slow service or a dead proxy is not a blank screen.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace clipferry::cli {

// For its lifetime: after `after`, one line rewritten each second with the
// time waited; the line is cleared when the owner goes. Nothing when `show`
// is false (not a terminal, --quiet).
class WaitingLine {
public:
    WaitingLine(std::ostream& out, bool show, std::string what,
                std::chrono::milliseconds after = std::chrono::seconds(2));
    ~WaitingLine();
    WaitingLine(const WaitingLine&) = delete;
    WaitingLine& operator=(const WaitingLine&) = delete;

private:
    void run();

    std::ostream& out_;
    std::string what_;
    std::chrono::milliseconds after_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
    std::thread thread_;  // last: started once everything it reads is set
};

}  // namespace clipferry::cli
