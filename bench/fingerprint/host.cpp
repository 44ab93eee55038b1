// Fingerprints each file named on the command line as the ledger does and
// prints the seconds it took, for bench/fingerprint/run.sh.
#include <chrono>
#include <cstdio>

#include "fingerprint.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const auto start = std::chrono::steady_clock::now();
        try {
            const std::string print = clipferry::cli::fingerprintFile(argv[i]);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::printf("%.4f %s %s\n", took.count(), print.c_str(), argv[i]);
        } catch (const clipferry::cli::FingerprintError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    return 0;
}
