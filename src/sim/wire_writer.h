// Output side of the simulated module: a byte queue drained into a
// non-blocking descriptor, optionally paced to a baud rate (10 bits per byte)
// and optionally cut into pieces of 1 to 3 bytes with short gaps.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "sim/scan_reports.h"

namespace sim {

class WireWriter {
public:
    using Clock = std::chrono::steady_clock;

    void Configure(unsigned paceBaud, bool split);
    void Append(std::string_view bytes);
    std::size_t Pending() const { return buffer_.size() - offset_; }
    void Clear();

    // Writes as much as the wire allows at `now`. False when the descriptor
    // failed (anything but "would block").
    bool Drain(int fd, Clock::time_point now);
    // When the next piece may leave; time_point::max() when nothing waits.
    Clock::time_point NextWriteAt() const;
    // The last write would have blocked: wait for the descriptor to be writable.
    bool WaitingForRoom() const { return blocked_ && Pending() > 0; }

private:
    std::size_t NextChunkSize();

    std::string buffer_;
    std::size_t offset_ = 0;
    unsigned baud_ = 0;
    bool split_ = false;
    bool blocked_ = false;
    Clock::time_point wireFreeAt_{};
    SimRandom rng_{7};
};

}  // namespace sim
