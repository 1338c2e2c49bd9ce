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
    void SetRecording(bool on) { m_recording = on; }
    std::string TakeWritten() { return std::exchange(m_written, {}); }
    // The last write would have blocked: wait for the descriptor to be writable.
    bool WaitingForRoom() const { return m_blocked && Pending() > 0; }

private:
    std::size_t NextChunkSize();
    // Takes the next piece to send into m_current: waiting replies first, else
    // one report line (all queued reports on an unpaced wire).
    void Refill();

    std::string m_current;
    std::size_t m_currentOffset = 0;
    std::string m_urgent;
    std::string m_bulk;
    std::size_t m_bulkOffset = 0;
    unsigned m_baud = 0;
    bool m_split = false;
    bool m_blocked = false;
    bool m_recording = false;
    std::string m_written;
    Clock::time_point m_wireFreeAt{};
    SimRandom m_rng{7};
};

}  // namespace sim
