// A first-in first-out queue of received lines with a ceiling on the bytes it
// holds: when full, whole lines leave from the front (oldest first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

struct QueuedLine {
    std::string bytes;    // terminators included
    int64_t atNs = 0;     // when it was cut, on the engine's clock
    uint64_t id = 0;      // names the line when its route is settled later
};

class LineQueue {
public:
    explicit LineQueue(std::size_t maxBytes) : maxBytes_(maxBytes) {}

    // Adds a line; lines pushed out to make room go to `dropped` in order.
    template <typename DroppedSink>
    void Push(std::string_view bytes, int64_t atNs, DroppedSink&& dropped, uint64_t id = 0)
    {
        while (!lines_.empty() && bytes_ + bytes.size() > maxBytes_) {
            QueuedLine old = std::move(lines_.front());
            lines_.pop_front();
            bytes_ -= old.bytes.size();
            dropped(old);
        }
        lines_.push_back(QueuedLine{std::string(bytes), atNs, id});
        bytes_ += bytes.size();
    }
    bool Empty() const { return lines_.empty(); }
    std::size_t Size() const { return lines_.size(); }
    std::size_t Bytes() const { return bytes_; }
    QueuedLine Pop()
    {
        QueuedLine line = std::move(lines_.front());
        lines_.pop_front();
        bytes_ -= line.bytes.size();
        return line;
    }
    void Clear()
    {
        lines_.clear();
        bytes_ = 0;
    }

private:
    std::size_t maxBytes_;
    std::size_t bytes_ = 0;
    std::deque<QueuedLine> lines_;
};
