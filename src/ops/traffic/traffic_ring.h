// The newest lines of traffic, up to a fixed count; the oldest go first.
// Rows keep a running number, so a view can tell which of its rows are gone.
#pragma once

#include "link/link_tap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace traffic {

class TrafficRing {
public:
    static constexpr std::size_t kDefaultCapacity = 200000;

    explicit TrafficRing(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

    // Appends, then drops the oldest rows beyond the capacity; returns how many went.
    std::size_t Append(std::vector<TapEvent>&& events);
    void Clear();

    std::size_t Size() const { return m_rows.size(); }
    std::size_t Capacity() const { return m_capacity; }
    // Running number of the oldest row kept and one past the newest.
    uint64_t FirstSeq() const { return m_firstSeq; }
    uint64_t EndSeq() const { return m_firstSeq + m_rows.size(); }
    const TapEvent& AtSeq(uint64_t seq) const { return m_rows[static_cast<std::size_t>(seq - m_firstSeq)]; }
    // Rows dropped for the bound since the last Clear.
    uint64_t Dropped() const { return m_dropped; }

private:
    std::size_t m_capacity;
    std::deque<TapEvent> m_rows;
    uint64_t m_firstSeq = 0;
    uint64_t m_dropped = 0;
};

}  // namespace traffic
