#include "ops/traffic/traffic_ring.h"

namespace traffic {

std::size_t TrafficRing::Append(std::vector<TapEvent>&& events) {
    for (TapEvent& e : events) m_rows.push_back(std::move(e));
    events.clear();
    std::size_t gone = 0;
    while (m_rows.size() > m_capacity) {
        m_rows.pop_front();
        ++gone;
    }
    m_firstSeq += gone;
    m_dropped += gone;
    return gone;
}

void TrafficRing::Clear() {
    m_firstSeq = EndSeq();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_dropped = 0;
}

}  // namespace traffic
