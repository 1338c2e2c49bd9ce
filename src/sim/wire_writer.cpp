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

std::chrono::nanoseconds WireTime(std::size_t bytes, unsigned baud) {
    return std::chrono::nanoseconds(static_cast<long long>(bytes) * 10'000'000'000LL / baud);
}

}  // namespace

void WireWriter::Configure(unsigned paceBaud, bool split) {
    baud_ = paceBaud;
    split_ = split;
}

void WireWriter::Append(std::string_view bytes) {
    if (offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    } else if (offset_ > 65536) {
        buffer_.erase(0, offset_);  // keep the sent prefix from piling up
        offset_ = 0;
    }
    buffer_.append(bytes);
}

void WireWriter::Clear() {
    buffer_.clear();
    offset_ = 0;
    blocked_ = false;
}

std::size_t WireWriter::NextChunkSize() {
    if (split_) return 1 + rng_.Below(3);
    if (baud_ > 0) return std::max<std::size_t>(1, baud_ / 5000);  // about 2 ms of wire time
    return Pending();
}

WireWriter::Clock::time_point WireWriter::NextWriteAt() const {
    if (Pending() == 0) return Clock::time_point::max();
    return wireFreeAt_;
}

bool WireWriter::Drain(int fd, Clock::time_point now) {
    blocked_ = false;
    while (Pending() > 0 && now >= wireFreeAt_) {
        const std::size_t want = std::min(NextChunkSize(), Pending());
        const ssize_t n = ::write(fd, buffer_.data() + offset_, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked_ = true;
                return true;
            }
            return false;
        }
        offset_ += static_cast<std::size_t>(n);
        if (offset_ == buffer_.size()) {
            buffer_.clear();
            offset_ = 0;
        }
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
