// The upload's piece and queue sizes, from the pace measured over windows of
// at least kWindowSeconds between libcurl's calls for more of the file.
#include "transport/upload_pace.h"

#include <algorithm>

namespace clipferry {

namespace {

size_t Clamp(double bytes, size_t smallest, size_t largest) {
    if (bytes <= double(smallest)) return smallest;
    if (bytes >= double(largest)) return largest;
    return size_t(bytes);
}

}  // namespace

size_t UploadPace::NextPiece(double now, uint64_t handedOut) {
    if (windowStart_ < 0) {
        windowStart_ = now;
        windowFrom_ = handedOut;
        return piece_;
    }
    const double elapsed = now - windowStart_;
    if (elapsed >= kWindowSeconds) {
        bytesPerSecond_ = double(handedOut - windowFrom_) / elapsed;
        piece_ = Clamp(bytesPerSecond_ * kPieceSeconds, kSmallestPiece, kLargestPiece);
        windowStart_ = now;
        windowFrom_ = handedOut;
    }
    return piece_;
}

size_t UploadPace::UnsentLimit() const {
    return Clamp(bytesPerSecond_ * kBacklogSeconds, kSmallestBacklog, kLargestBacklog);
}

}  // namespace clipferry
