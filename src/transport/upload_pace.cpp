// The upload's piece and queue sizes, from the pace measured over windows
// between libcurl's calls for more of the file.
#include "transport/upload_pace.h"


namespace clipferry {

namespace {

size_t Clamp(double bytes, size_t smallest, size_t largest) {
    if (bytes <= double(smallest)) return smallest;
    if (bytes >= double(largest)) return largest;
    return size_t(bytes);
}

}  // namespace

bool UploadPace::Window::Update(double now, uint64_t handedOut) {
    if (start < 0) {
        start = now;
        from = handedOut;
        return false;
    }
    const double elapsed = now - start;
    if (elapsed < seconds) return false;
    bytesPerSecond = double(handedOut - from) / elapsed;
    start = now;
    from = handedOut;
    return true;
}

size_t UploadPace::NextPiece(double now, uint64_t handedOut) {
    backlogWindow_.Update(now, handedOut);
    if (pieceWindow_.Update(now, handedOut)) {
        piece_ = Clamp(pieceWindow_.bytesPerSecond * kPieceSeconds, kSmallestPiece, kLargestPiece);
    }
    return piece_;
}

size_t UploadPace::UnsentLimit() const {
    return Clamp(backlogWindow_.bytesPerSecond * kBacklogSeconds, kSmallestBacklog, kLargestBacklog);
}

}  // namespace clipferry
