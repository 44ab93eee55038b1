// How much of the media file libcurl is handed at a time, and how much of it
// the system may hold unsent, both sized to the pace the file leaves at. On
// a fast link large pieces and a deep queue keep the wire busy at little
// cost; on a slow one they would let a cancel, a progress report or a rate
// limit act only once per megabyte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clipferry {

class UploadPace {
public:
    // Small enough that a host that cancels at once, or holds the transfer
    // to a low rate, lets little out before the pace is known.
    static constexpr size_t kFirstPiece = 4 << 10;
    static constexpr size_t kSmallestPiece = 1 << 10;
    // libcurl's upload buffer, asked for once: pieces never exceed it.
    static constexpr size_t kLargestPiece = 1 << 20;
    static constexpr size_t kSmallestBacklog = 16 << 10;
    static constexpr size_t kLargestBacklog = 4 << 20;
    // A piece is what leaves in this long at the measured pace: a host that
    // holds the transfer between reports lets out at most that much at once.
    static constexpr double kPieceSeconds = 0.025;
    // The unsent queue drains in about this long: what still goes out after
    // a cancel, and the longest wait for the next report.
    static constexpr double kBacklogSeconds = 0.125;
    // The pace is measured over windows of at least this long, so that a
    // queue taking several pieces at once, then none, does not read as a
    // change of pace.
    static constexpr double kPieceWindowSeconds = 0.05;
    // Bytes that fill a queue just allowed to grow look like pace: measured
    // over less time than the queue drains in, the queue would grow on its
    // own filling, up to the largest. Over twice that, the excess dies away.
    static constexpr double kBacklogWindowSeconds = 2 * kBacklogSeconds;

    // The size of the next piece, given the time (seconds on a monotonic
    // clock) and how many bytes of the file were handed out before it.
    size_t NextPiece(double now, uint64_t handedOut);

    // How much the system may hold unsent at the pace measured so far.
    size_t UnsentLimit() const;

private:
    // The pace over the last whole window of at least `seconds`.
    struct Window {
        double seconds;
        double start = -1;
        uint64_t from = 0;
        double bytesPerSecond = 0;  // 0 until a window has been measured

        // True when a window closed, and bytesPerSecond changed.
        bool Update(double now, uint64_t handedOut);
    };

    Window pieceWindow_{kPieceWindowSeconds};
    Window backlogWindow_{kBacklogWindowSeconds};
    size_t piece_ = kFirstPiece;
};

}  // namespace clipferry
