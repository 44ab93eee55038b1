// The benchmark's host: logs in and uploads one file through the public API,
// with the sink as its proxy, then reports on one line
//   result=R seconds=S bytes=B peak_rss_kib=K cpu_seconds=C progress_calls=N
//   longest_gap=G largest_step=L cancelled_at=T cancelled_sent=U message=M
// seconds and cpu_seconds (user and system) for the upload call alone (server
// discovery included).
//
//   host PROXY FILE [--progress] [--cancel-after BYTES]
//                                  (PROXY as host:port, FILE an ASCII path)
// --progress: with a progress callback that keeps the latest numbers, as a
// host's progress bar would, and measures the longest gap between two calls
// (seconds) and the largest step of the bytes sent while the file was still
// being sent. --cancel-after: the callback cancels at the first call that
// reports more than BYTES sent (0: the first byte), noting the time on the
// monotonic clock (cancelled_at, seconds) and the count reported then.
#include <sys/resource.h>
#include <sys/stat.h>

#include <time.h>

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

// CLOCK_MONOTONIC, which the relay's samples are taken on as well.
double MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Progress {
    long calls = 0;
    double sent = 0, total = 0;
    double cancelAfter = -1;  // no cancel
    double lastCall = -1, longestGap = 0, largestStep = 0;
    double cancelledAt = 0, cancelledSent = 0;
};

int KeepProgress(void* data, double, double, double ultotal, double ulnow) {
    auto* progress = static_cast<Progress*>(data);
    const double now = MonotonicSeconds();
    ++progress->calls;
    // Measured while the file is being sent: from the first byte to the last.
    if (ulnow > 0 && progress->sent < ultotal) {
        if (progress->lastCall >= 0 && now - progress->lastCall > progress->longestGap)
            progress->longestGap = now - progress->lastCall;
        if (ulnow - progress->sent > progress->largestStep) progress->largestStep = ulnow - progress->sent;
    }
    if (ulnow > 0) progress->lastCall = now;
    progress->sent = ulnow;
    progress->total = ultotal;
    if (progress->cancelAfter >= 0 && ulnow > progress->cancelAfter) {
        progress->cancelledAt = now;
        progress->cancelledSent = ulnow;
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Progress progress;
    bool withProgress = false;
    bool understood = argc >= 3;
    for (int i = 3; i < argc && understood; ++i) {
        const std::string option = argv[i];
        if (option == "--progress") {
            withProgress = true;
        } else if (option == "--cancel-after" && i + 1 < argc) {
            withProgress = true;
            progress.cancelAfter = std::atof(argv[++i]);
        } else {
            understood = false;
        }
    }
    if (!understood) {
        std::fprintf(stderr, "usage: %s PROXY FILE [--progress] [--cancel-after BYTES]\n", argv[0]);
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
    struct rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = CLIPFERRY_DoUpload(session.handle(), path.c_str(), u"Benchmark clip",
                                              u"A clip sent by the upload benchmark.", u"bench, clip", 0, 1,
                                              2, 3, message, 512, withProgress ? KeepProgress : nullptr,
                                              &progress);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    struct stat info{};
    stat(argv[2], &info);
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto cpu = [](const struct rusage& u) {
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    std::printf("result=%d seconds=%.6f bytes=%lld peak_rss_kib=%ld cpu_seconds=%.6f progress_calls=%ld "
                "longest_gap=%.6f largest_step=%.0f cancelled_at=%.6f cancelled_sent=%.0f message=%s\n",
                int(result), elapsed.count(), static_cast<long long>(info.st_size), usage.ru_maxrss,
                cpu(usage) - cpu(before), progress.calls, progress.longestGap, progress.largestStep,
                progress.cancelledAt, progress.cancelledSent, Narrow(message).c_str());
    return result == 0 ? 0 : 1;
}
