// The newest lines of traffic, up to a fixed count; the oldest go first, a
// tenth of the count at a time. Rows keep a running number, so a view can
// tell which of its rows are gone.
//
// Compact: a row is 24 bytes, and its bytes and command text sit in one
// circular byte buffer (grown as needed up to kMaxBytes), so a full ring of
// scan reports costs about a tenth of what 200,000 events with two strings
// each would.
#pragma once

#include "link/link_tap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace traffic {

class TrafficRing {
public:
    static constexpr std::size_t kDefaultCapacity = 200000;
    // Bytes of all rows' texts together; beyond it the oldest rows go too.
    static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

    explicit TrafficRing(std::size_t capacity = kDefaultCapacity, std::size_t maxBytes = kMaxBytes);

    // Appends, then drops the oldest rows beyond the bounds; returns how many went.
    std::size_t Append(std::vector<TapEvent>&& events);
    void Clear();

    std::size_t Size() const { return m_rows.size(); }
    std::size_t Capacity() const { return m_capacity; }
    // Running number of the oldest row kept and one past the newest.
    uint64_t FirstSeq() const { return m_firstSeq; }
    uint64_t EndSeq() const { return m_firstSeq + m_rows.size(); }
    TapEvent AtSeq(uint64_t seq) const;
    // Parts of a row without building the whole event.
    TapRoute RouteAt(uint64_t seq) const { return static_cast<TapRoute>(Row(seq).route); }
    TapDirection DirectionAt(uint64_t seq) const { return static_cast<TapDirection>(Row(seq).direction); }
    // Rows dropped for the bound since the last Clear.
    uint64_t Dropped() const { return m_dropped; }

private:
    struct Entry {
        int64_t sinceOpenNs;
        uint64_t at;  // running byte position of the text
        uint32_t bytes;
        uint16_t command;
        uint8_t direction;
        uint8_t route;
    };
    const Entry& Row(uint64_t seq) const { return m_rows[static_cast<std::size_t>(seq - m_firstSeq)]; }
    void Put(const std::string& text);
    std::string Get(uint64_t at, std::size_t n) const;
    void Grow(std::size_t need);
    void DropOldest();

    std::size_t m_capacity;
    std::size_t m_maxBytes;
    std::deque<Entry> m_rows;
    std::vector<char> m_buffer;  // size a power of two
    uint64_t m_byteEnd = 0;      // running position one past the newest text
    uint64_t m_firstSeq = 0;
    uint64_t m_dropped = 0;
};

}  // namespace traffic
