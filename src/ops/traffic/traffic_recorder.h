// The tap the window installs on the engine: it only queues each event, and
// the window takes the queue in batches on its own thread.
#pragma once

#include "link/link_tap.h"

#include <functional>
#include <mutex>
#include <vector>

namespace traffic {

class TrafficRecorder : public ILinkTap {
public:
    void OnTraffic(const TapEvent& event) override;
    // Called on the tapping thread when an event arrives at an empty queue,
    // so the reader can wake up for it instead of polling. Set it before
    // the tap is installed.
    void SetOnFirstPending(std::function<void()> notify) { m_onFirstPending = std::move(notify); }
    // Everything queued since the last call, oldest first.
    std::vector<TapEvent> TakePending();

private:
    std::mutex m_mutex;
    std::vector<TapEvent> m_pending;
    std::function<void()> m_onFirstPending;
};

}  // namespace traffic
