#include "ops/traffic/traffic_recorder.h"

namespace traffic {

void TrafficRecorder::OnTraffic(const TapEvent& event) {
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        first = m_pending.empty();
        m_pending.push_back(event);
    }
    if (first && m_onFirstPending) m_onFirstPending();
}

std::vector<TapEvent> TrafficRecorder::TakePending() {
    std::vector<TapEvent> out;
    std::lock_guard<std::mutex> lock(m_mutex);
    out.swap(m_pending);
    return out;
}

}  // namespace traffic
