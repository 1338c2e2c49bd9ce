#include "sim/wire_writer.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace sim {
namespace {

constexpr auto kSplitGap = std::chrono::microseconds(1000);
// Lateness of the loop up to this much is caught up; longer idle time is not
// turned into a burst.
constexpr auto kCatchUp = std::chrono::milliseconds(5);
constexpr std::size_t kCompactAt = 65536;

std::chrono::nanoseconds WireTime(std::size_t bytes, unsigned baud) {
    return std::chrono::nanoseconds(static_cast<long long>(bytes) * 10'000'000'000LL / baud);
}

}  // namespace

void WireWriter::Configure(unsigned paceBaud, bool split) {
    baud_ = paceBaud;
    split_ = split;
}

void WireWriter::Append(std::string_view bytes) { urgent_.append(bytes); }

void WireWriter::AppendBulk(std::string_view bytes) {
    if (bulkOffset_ == bulk_.size()) {
        bulk_.clear();
        bulkOffset_ = 0;
    } else if (bulkOffset_ > kCompactAt) {
        bulk_.erase(0, bulkOffset_);  // keep the sent prefix from piling up
        bulkOffset_ = 0;
    }
    bulk_.append(bytes);
}

std::size_t WireWriter::Pending() const {
    return (current_.size() - currentOffset_) + urgent_.size() + (bulk_.size() - bulkOffset_);
}

void WireWriter::Clear() {
    current_.clear();
    currentOffset_ = 0;
    urgent_.clear();
    bulk_.clear();
    bulkOffset_ = 0;
    blocked_ = false;
}

void WireWriter::Refill() {
    current_.clear();
    currentOffset_ = 0;
    if (!urgent_.empty()) {
        current_.swap(urgent_);
        return;
    }
    if (bulkOffset_ == bulk_.size()) return;
    std::size_t end = bulk_.size();
    if (baud_ > 0 || split_) {
        const std::size_t cr = bulk_.find('\r', bulkOffset_);
        if (cr != std::string::npos) end = cr + 1;
    }
    current_.assign(bulk_, bulkOffset_, end - bulkOffset_);
    bulkOffset_ = end;
}

std::size_t WireWriter::NextChunkSize() {
    if (split_) return 1 + rng_.Below(3);
    if (baud_ > 0) return std::max<std::size_t>(1, baud_ / 20000);  // about half a millisecond of wire time
    return current_.size() - currentOffset_;
}

WireWriter::Clock::time_point WireWriter::NextWriteAt() const {
    if (Pending() == 0) return Clock::time_point::max();
    return wireFreeAt_;
}

bool WireWriter::Drain(int fd, Clock::time_point now) {
    blocked_ = false;
    while (Pending() > 0 && now >= wireFreeAt_) {
        if (currentOffset_ == current_.size()) Refill();
        const std::size_t want = std::min(NextChunkSize(), current_.size() - currentOffset_);
        const ssize_t n = ::write(fd, current_.data() + currentOffset_, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked_ = true;
                return true;
            }
            return false;
        }
        if (recording_) written_.append(current_, currentOffset_, static_cast<std::size_t>(n));
        currentOffset_ += static_cast<std::size_t>(n);
        if (baud_ == 0 && !split_) continue;
        const auto base = wireFreeAt_ + kCatchUp < now ? now : wireFreeAt_;
        auto next = base;
        if (baud_ > 0) next += WireTime(static_cast<std::size_t>(n), baud_);
        if (split_) next = std::max(next, Clock::now() + kSplitGap);
        wireFreeAt_ = next;
    }
    return true;
}

}  // namespace sim
