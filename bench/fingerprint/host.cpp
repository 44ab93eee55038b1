// Times the ledger's fingerprints for bench/fingerprint/run.sh:
//   hash FILE             the whole-file SHA-256 of one file, in seconds
//   batch LEDGER FILE...  a batch's split over a ledger: the first run (every
//                         file hashed) and a rerun (every identity still holds)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/upload/batch_ledger.h"
#include "store/fingerprint.h"

namespace {
double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv) {
    using namespace clipferry::cli;
    try {
        if (argc == 3 && std::strcmp(argv[1], "hash") == 0) {
            const auto start = std::chrono::steady_clock::now();
            const Fingerprint print = fingerprintFile(argv[2]);
            std::printf("%.4f %s\n", since(start), print.text.c_str());
            return 0;
        }
        if (argc >= 4 && std::strcmp(argv[1], "batch") == 0) {
            std::vector<UploadJob> jobs;
            for (int i = 3; i < argc; ++i) jobs.push_back({argv[i], {}});
            for (const char* run : {"first run", "rerun"}) {
                const auto start = std::chrono::steady_clock::now();
                BatchLedger ledger(std::filesystem::path(argv[2]), true);  // opened by each command
                const LedgerSplit split = ledger.split("bench", jobs, false);
                std::printf("%s: %.4f s for %zu files\n", run, since(start), split.toSend.size());
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s hash FILE | batch LEDGER FILE...\n", argv[0]);
    return 2;
}
