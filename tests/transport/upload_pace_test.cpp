// The upload's pace against a simulated link: a queue that takes pieces while
// it holds less than the unsent limit, drained at the link's rate.
#include "transport/upload_pace.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace clipferry {
namespace {

struct Settled {
    size_t firstPiece;
    size_t largestPiece;  // over the last two seconds
    size_t smallestPiece;
    size_t largestLimit;
};

// Ten seconds of a link carrying bytesPerSecond, in steps of a millisecond.
Settled Simulate(double bytesPerSecond) {
    UploadPace pace;
    Settled settled{0, 0, SIZE_MAX, 0};
    double queued = 0;
    uint64_t handedOut = 0;
    for (int step = 0; step < 10000; ++step) {
        const double now = step / 1000.0;
        queued = std::max(0.0, queued - bytesPerSecond / 1000);
        while (queued < double(pace.UnsentLimit())) {
            const size_t piece = pace.NextPiece(now, handedOut);
            if (handedOut == 0) settled.firstPiece = piece;
            handedOut += piece;
            queued += double(piece);
            if (now >= 8) {
                settled.largestPiece = std::max(settled.largestPiece, piece);
                settled.smallestPiece = std::min(settled.smallestPiece, piece);
            }
        }
        if (now >= 8) settled.largestLimit = std::max(settled.largestLimit, pace.UnsentLimit());
    }
    return settled;
}

TEST(UploadPaceTest, PiecesAndQueueFollowTheLinkAndTheQueueDoesNotFeedOnItself) {
    const struct {
        double bytesPerSecond;
        size_t smallestPiece, largestPiece;  // expected bounds once settled
        size_t largestLimit;
    } cases[] = {
        // Slow links: pieces of about 25 ms, no smaller than 1 KiB; a queue
        // of about 125 ms, no smaller than 16 KiB.
        {20'000, 1024, 1024, 16 << 10},
        {100'000, 2'000, 3'200, 16 << 10},
        {1'000'000, 20'000, 32'000, 160'000},
        // Fast ones: 1 MiB pieces and a deep queue.
        {200'000'000, 1 << 20, 1 << 20, 4 << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytesPerSecond);
        const Settled settled = Simulate(c.bytesPerSecond);
        EXPECT_EQ(settled.firstPiece, UploadPace::kFirstPiece);
        EXPECT_GE(settled.smallestPiece, c.smallestPiece);
        EXPECT_LE(settled.largestPiece, c.largestPiece);
        EXPECT_LE(settled.largestLimit, c.largestLimit);
    }
}

}  // namespace
}  // namespace clipferry
