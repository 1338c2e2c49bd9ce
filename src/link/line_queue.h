// A first-in first-out queue of received lines with a ceiling on the bytes it
// holds: when full, whole lines leave from the front (oldest first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

struct QueuedLine {
    std::string bytes;  // terminators included
    int64_t atNs = 0;   // when it was cut, on the engine's clock
    uint64_t id = 0;    // names the line when its route is settled later
};

class LineQueue {
public:
    explicit LineQueue(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

    // Adds a line; lines pushed out to make room go to `dropped` in order.
    template <typename DroppedSink>
    void Push(std::string_view bytes, int64_t atNs, DroppedSink&& dropped, uint64_t id = 0) {
        while (!m_lines.empty() && m_bytes + bytes.size() > m_maxBytes) {
            QueuedLine old = std::move(m_lines.front());
            m_lines.pop_front();
            m_bytes -= old.bytes.size();
            dropped(old);
        }
        m_lines.push_back(QueuedLine{std::string(bytes), atNs, id});
        m_bytes += bytes.size();
    }
    bool Empty() const { return m_lines.empty(); }
    std::size_t Size() const { return m_lines.size(); }
    std::size_t Bytes() const { return m_bytes; }
    QueuedLine Pop() {
        QueuedLine line = std::move(m_lines.front());
        m_lines.pop_front();
        m_bytes -= line.bytes.size();
        return line;
    }
    void Clear() {
        m_lines.clear();
        m_bytes = 0;
    }

private:
    std::size_t m_maxBytes;
    std::size_t m_bytes = 0;
    std::deque<QueuedLine> m_lines;
};
