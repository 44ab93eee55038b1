// The benchmark's host: logs in and uploads one file through the public API,
// with the sink as its proxy, then reports on one line
//   result=R seconds=S bytes=B peak_rss_kib=K message=M
// seconds timing the upload call alone (server discovery included).
//
//   host PROXY FILE        (PROXY as host:port, FILE an ASCII path)
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clipferry.h"
#include "../logged_in_session.h"

namespace {

std::u16string Widen(const char* text) {
    std::u16string wide;
    for (; *text != '\0'; ++text) wide.push_back(char16_t(static_cast<unsigned char>(*text)));
    return wide;
}

std::string Narrow(const char16_t* text) {
    std::string narrow;
    for (; *text != u'\0'; ++text) narrow.push_back(*text < 0x80 ? char(*text) : '?');
    return narrow;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROXY FILE\n", argv[0]);
        return 2;
    }
    for (const char* p = argv[2]; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            std::fprintf(stderr, "host: the file path must be ASCII\n");
            return 2;
        }
    }

    LoggedInSession session(argv[1]);
    if (!session.loggedIn()) return 1;

    const std::u16string path = Widen(argv[2]);
    clipferry_char message[512] = {};
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = CLIPFERRY_DoUpload(session.handle(), path.c_str(), u"Benchmark clip",
                                              u"A clip sent by the upload benchmark.", u"bench, clip", 0, 1,
                                              2, 3, message, 512, nullptr, nullptr);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    struct stat info{};
    stat(argv[2], &info);
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("result=%d seconds=%.6f bytes=%lld peak_rss_kib=%ld message=%s\n", int(result), elapsed.count(),
                static_cast<long long>(info.st_size), usage.ru_maxrss, Narrow(message).c_str());
    return result == 0 ? 0 : 1;
}
