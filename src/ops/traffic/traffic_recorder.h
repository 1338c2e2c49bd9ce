// The tap the window installs on the engine: it only queues each event, and
// the window takes the queue in batches on its own thread.
#pragma once

#include "link/link_tap.h"

#include <mutex>
#include <vector>

namespace traffic {

class TrafficRecorder : public ILinkTap {
public:
    void OnTraffic(const TapEvent& event) override;
    // Everything queued since the last call, oldest first.
    std::vector<TapEvent> TakePending();

private:
    std::mutex m_mutex;
    std::vector<TapEvent> m_pending;
};

}  // namespace traffic
