#include "ops/traffic/traffic_ring.h"

#include <algorithm>
#include <limits>

namespace traffic {

namespace {

std::size_t PowerOfTwoAtLeast(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

TrafficRing::TrafficRing(std::size_t capacity, std::size_t maxBytes)
    : m_capacity(capacity), m_maxBytes(PowerOfTwoAtLeast(std::max<std::size_t>(maxBytes, 1024))) {}

std::size_t TrafficRing::Append(std::vector<TapEvent>&& events) {
    std::size_t gone = 0;
    for (const TapEvent& e : events) {
        // Longer than the whole buffer (never on this wire): the tail is kept.
        const std::size_t commandBytes =
            std::min<std::size_t>({e.command.size(), std::numeric_limits<uint16_t>::max(), m_maxBytes / 4});
        const std::size_t lineBytes = std::min(e.bytes.size(), m_maxBytes / 2 - commandBytes);
        const std::size_t need = lineBytes + commandBytes;
        Grow(need);
        while (!m_rows.empty() && m_byteEnd + need - m_rows.front().at > m_buffer.size()) {
            DropOldest();
            ++gone;
        }
        Entry entry{e.sinceOpenNs,
                    m_byteEnd,
                    static_cast<uint32_t>(lineBytes),
                    static_cast<uint16_t>(commandBytes),
                    static_cast<uint8_t>(e.direction),
                    static_cast<uint8_t>(e.route)};
        Put(e.bytes.substr(e.bytes.size() - lineBytes));
        Put(e.command.substr(0, commandBytes));
        m_rows.push_back(entry);
        if (m_rows.size() > m_capacity) {
            // A tenth at once: a view over the rows pays for each removal
            // with work over all its rows, so few large ones cost far less.
            const std::size_t keep = m_capacity - m_capacity / 10;
            while (m_rows.size() > keep) {
                DropOldest();
                ++gone;
            }
        }
    }
    events.clear();
    return gone;
}

void TrafficRing::DropOldest() {
    m_rows.pop_front();
    ++m_firstSeq;
    ++m_dropped;
}

void TrafficRing::Grow(std::size_t need) {
    const uint64_t from = m_rows.empty() ? m_byteEnd : m_rows.front().at;
    const std::size_t live = static_cast<std::size_t>(m_byteEnd - from);
    if (live + need <= m_buffer.size() || m_buffer.size() >= m_maxBytes) return;
    const std::size_t size = std::min(m_maxBytes, PowerOfTwoAtLeast(std::max<std::size_t>(live + need, 4096) * 2));
    std::vector<char> bigger(size);
    for (uint64_t p = from; p < m_byteEnd; ++p) bigger[p & (size - 1)] = m_buffer[p & (m_buffer.size() - 1)];
    m_buffer.swap(bigger);
}

void TrafficRing::Put(const std::string& text) {
    const std::size_t mask = m_buffer.size() - 1;
    for (const char c : text) m_buffer[m_byteEnd++ & mask] = c;
}

std::string TrafficRing::Get(uint64_t at, std::size_t n) const {
    std::string out(n, '\0');
    const std::size_t mask = m_buffer.size() - 1;
    for (std::size_t i = 0; i < n; ++i) out[i] = m_buffer[(at + i) & mask];
    return out;
}

TapEvent TrafficRing::AtSeq(uint64_t seq) const {
    const Entry& e = Row(seq);
    return {e.sinceOpenNs, static_cast<TapDirection>(e.direction), static_cast<TapRoute>(e.route), Get(e.at, e.bytes),
            Get(e.at + e.bytes, e.command)};
}

void TrafficRing::Clear() {
    m_firstSeq = EndSeq();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_byteEnd = 0;
    m_dropped = 0;
}

}  // namespace traffic
