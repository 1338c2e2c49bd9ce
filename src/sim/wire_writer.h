// Output side of the simulated module: bytes drained into a non-blocking
// descriptor, optionally paced to a baud rate (10 bits per byte) and
// optionally cut into pieces of 1 to 3 bytes with short gaps. Replies and
// echoes go out before queued scan reports, at the next line boundary, as a
// module's firmware sends them; a line on the wire is never interrupted.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "sim/scan_reports.h"

namespace sim {

class WireWriter {
public:
    using Clock = std::chrono::steady_clock;

    void Configure(unsigned paceBaud, bool split);
    // Replies and echoes.
    void Append(std::string_view bytes);
    // Scan reports and noise: sent when no reply waits.
    void AppendBulk(std::string_view bytes);
    std::size_t Pending() const;
    void Clear();

    // Writes as much as the wire allows at `now`. False when the descriptor
    // failed (anything but "would block").
    bool Drain(int fd, Clock::time_point now);
    // When the next piece may leave; time_point::max() when nothing waits.
    Clock::time_point NextWriteAt() const;
    // Bytes written since the last call, when recording.
    void SetRecording(bool on) { recording_ = on; }
    std::string TakeWritten() { return std::exchange(written_, {}); }
    // The last write would have blocked: wait for the descriptor to be writable.
    bool WaitingForRoom() const { return blocked_ && Pending() > 0; }

private:
    std::size_t NextChunkSize();
    // Takes the next piece to send into current_: waiting replies first, else
    // one report line (all queued reports on an unpaced wire).
    void Refill();

    std::string current_;
    std::size_t currentOffset_ = 0;
    std::string urgent_;
    std::string bulk_;
    std::size_t bulkOffset_ = 0;
    unsigned baud_ = 0;
    bool split_ = false;
    bool blocked_ = false;
    bool recording_ = false;
    std::string written_;
    Clock::time_point wireFreeAt_{};
    SimRandom rng_{7};
};

}  // namespace sim
