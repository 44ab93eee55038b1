// Runs throttling_relay.py with its standard input and output on pipes: one
// command line out, one answer line back.
#include "throttling_relay.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

namespace clipferry::testing {

namespace {

std::string ReadLine(std::FILE* from) {
    std::string line;
    for (int c = std::fgetc(from); c != EOF && c != '\n'; c = std::fgetc(from)) line.push_back(char(c));
    return line;
}

}  // namespace

ThrottlingRelay::ThrottlingRelay(int upstreamPort, double bytesPerSecond) {
    int down[2];  // the relay's input
    int up[2];    // its output
    if (pipe(down) != 0) return;
    if (pipe(up) != 0) {
        close(down[0]), close(down[1]);
        return;
    }
    const std::string script = std::string(CLIPFERRY_TEST_SOURCE_DIR) + "/tests/support/throttling_relay.py";
    const std::string upstream = "127.0.0.1:" + std::to_string(upstreamPort);
    const std::string rate = std::to_string(bytesPerSecond);
    child_ = fork();
    if (child_ == 0) {
        dup2(down[0], STDIN_FILENO);
        dup2(up[1], STDOUT_FILENO);
        close(down[0]), close(down[1]), close(up[0]), close(up[1]);
        execl("/usr/bin/python3", "python3", "-B", script.c_str(), "--upstream", upstream.c_str(), "--rate",
              rate.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(down[0]);
    close(up[1]);
    toRelay_ = fdopen(down[1], "w");
    fromRelay_ = fdopen(up[0], "r");
    if (child_ < 0 || toRelay_ == nullptr || fromRelay_ == nullptr) return;
    port_ = std::atoi(ReadLine(fromRelay_).c_str());
}

ThrottlingRelay::~ThrottlingRelay() {
    if (toRelay_ != nullptr) std::fclose(toRelay_);
    if (fromRelay_ != nullptr) std::fclose(fromRelay_);
    if (child_ > 0) waitpid(child_, nullptr, 0);
}

std::string ThrottlingRelay::Ask(const char* command) {
    if (port_ <= 0) return "";
    std::fprintf(toRelay_, "%s\n", command);
    std::fflush(toRelay_);
    return ReadLine(fromRelay_);
}

uint64_t ThrottlingRelay::Forwarded() { return std::strtoull(Ask("forwarded").c_str(), nullptr, 10); }

std::vector<uint64_t> ThrottlingRelay::WaitIdle() {
    std::vector<uint64_t> totals;
    const auto answer = nlohmann::json::parse(Ask("idle"), nullptr, false);
    if (answer.is_discarded()) return totals;
    for (const auto& connection : answer["connections"]) totals.push_back(connection["upstream"].get<uint64_t>());
    return totals;
}

}  // namespace clipferry::testing
