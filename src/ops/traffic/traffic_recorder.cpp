#include "ops/traffic/traffic_recorder.h"

#include <chrono>
#include <iterator>

namespace traffic {

void TrafficRecorder::OnTraffic(const TapEvent& event) {
    // Stamped here, as it happens: the log tells sessions apart by it. The
    // copy is made before the lock, which the window's drain shares.
    TapEvent stamped = event;
    stamped.wallNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_limit != 0 && m_pending.size() >= m_limit) {
            m_pending.pop_front();
            ++m_dropped;
        }
        first = m_pending.empty();
        m_pending.push_back(std::move(stamped));
    }
    if (first && m_onFirstPending) m_onFirstPending();
}

std::vector<TapEvent> TrafficRecorder::TakePending() {
    std::deque<TapEvent> taken;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        taken.swap(m_pending);
    }
    return {std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end())};
}

void TrafficRecorder::SetLimit(std::size_t limit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limit = limit;
    while (m_limit != 0 && m_pending.size() > m_limit) {
        m_pending.pop_front();
        ++m_dropped;
    }
}

uint64_t TrafficRecorder::Dropped() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

}  // namespace traffic
