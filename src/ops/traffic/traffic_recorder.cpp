#include "ops/traffic/traffic_recorder.h"

namespace traffic {

void TrafficRecorder::OnTraffic(const TapEvent& event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.push_back(event);
}

std::vector<TapEvent> TrafficRecorder::TakePending() {
    std::vector<TapEvent> out;
    std::lock_guard<std::mutex> lock(m_mutex);
    out.swap(m_pending);
    return out;
}

}  // namespace traffic
