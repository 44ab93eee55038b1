// The answer benchmark's library side: logs in, then asks for the categories
// below parent COUNT (the sink answers with COUNT items) through the exports,
// with the sink as its proxy, and reports on one line
//   result=R seconds=S items=N name_units=U peak_rss_kib=K
// seconds timing the categories call alone.
//
//   host PROXY COUNT        (PROXY as host:port)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "clipferry.h"
#include "../logged_in_session.h"

namespace {

// What a host does with each item: takes its id and looks at its name.
struct Tally {
    long items = 0;
    long long idSum = 0;
    long long nameUnits = 0;
};

void OnCategory(int32_t id, const clipferry_char* name, int32_t, void* userData) {
    auto* tally = static_cast<Tally*>(userData);
    ++tally->items;
    tally->idSum += id;
    for (; *name != 0; ++name) ++tally->nameUnits;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROXY COUNT\n", argv[0]);
        return 2;
    }
    const int32_t count = int32_t(std::atol(argv[2]));

    LoggedInSession session(argv[1]);
    if (!session.loggedIn()) return 1;

    Tally tally;
    int32_t stated = 0;
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = CLIPFERRY_GetCategories(session.handle(), count, &tally, OnCategory, &stated);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("result=%d seconds=%.6f items=%ld name_units=%lld peak_rss_kib=%ld\n", int(result), elapsed.count(),
                tally.items, tally.nameUnits, usage.ru_maxrss);
    return result == 0 && tally.items == count && stated == count ? 0 : 1;
}
