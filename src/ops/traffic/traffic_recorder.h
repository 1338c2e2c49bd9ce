// The tap the window installs on the engine: it only queues each event, and
// the window takes the queue in batches on its own thread. While nobody takes
// them (the traffic view closed, no log file) only the newest events are
// kept, so the view shows what came before it was opened.
#pragma once

#include "link/link_tap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace traffic {

class TrafficRecorder : public ILinkTap {
public:
    // Queues the event with the wall-clock time.
    void OnTraffic(const TapEvent& event) override;
    // Called on the tapping thread when an event arrives at an empty queue,
    // so the reader can wake up for it instead of polling. Set it before
    // the tap is installed.
    void SetOnFirstPending(std::function<void()> notify) { m_onFirstPending = std::move(notify); }
    // Everything queued since the last call, oldest first.
    std::vector<TapEvent> TakePending();
    // At most this many events wait; older ones are dropped. 0: no bound.
    void SetLimit(std::size_t limit);
    // Events dropped for the bound since construction.
    uint64_t Dropped();

private:
    std::mutex m_mutex;
    std::deque<TapEvent> m_pending;
    std::size_t m_limit = 0;
    uint64_t m_dropped = 0;
    std::function<void()> m_onFirstPending;
};

}  // namespace traffic
