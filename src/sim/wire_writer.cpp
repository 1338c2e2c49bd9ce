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
    m_baud = paceBaud;
    m_split = split;
}

void WireWriter::Append(std::string_view bytes) { m_urgent.append(bytes); }

void WireWriter::AppendBulk(std::string_view bytes) {
    if (m_bulkOffset == m_bulk.size()) {
        m_bulk.clear();
        m_bulkOffset = 0;
    } else if (m_bulkOffset > kCompactAt) {
        m_bulk.erase(0, m_bulkOffset);  // keep the sent prefix from piling up
        m_bulkOffset = 0;
    }
    m_bulk.append(bytes);
}

std::size_t WireWriter::Pending() const {
    return (m_current.size() - m_currentOffset) + m_urgent.size() + (m_bulk.size() - m_bulkOffset);
}

void WireWriter::Clear() {
    m_current.clear();
    m_currentOffset = 0;
    m_urgent.clear();
    m_bulk.clear();
    m_bulkOffset = 0;
    m_blocked = false;
}

void WireWriter::Refill() {
    m_current.clear();
    m_currentOffset = 0;
    if (!m_urgent.empty()) {
        m_current.swap(m_urgent);
        return;
    }
    if (m_bulkOffset == m_bulk.size()) return;
    std::size_t end = m_bulk.size();
    if (m_baud > 0 || m_split) {
        const std::size_t cr = m_bulk.find('\r', m_bulkOffset);
        if (cr != std::string::npos) end = cr + 1;
    }
    m_current.assign(m_bulk, m_bulkOffset, end - m_bulkOffset);
    m_bulkOffset = end;
}

std::size_t WireWriter::NextChunkSize() {
    if (m_split) return 1 + m_rng.Below(3);
    if (m_baud > 0) return std::max<std::size_t>(1, m_baud / 20000);  // about half a millisecond of wire time
    return m_current.size() - m_currentOffset;
}

WireWriter::Clock::time_point WireWriter::NextWriteAt() const {
    if (Pending() == 0) return Clock::time_point::max();
    return m_wireFreeAt;
}

bool WireWriter::Drain(int fd, Clock::time_point now) {
    m_blocked = false;
    while (Pending() > 0 && now >= m_wireFreeAt) {
        if (m_currentOffset == m_current.size()) Refill();
        const std::size_t want = std::min(NextChunkSize(), m_current.size() - m_currentOffset);
        const ssize_t n = ::write(fd, m_current.data() + m_currentOffset, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_blocked = true;
                return true;
            }
            return false;
        }
        if (m_recording) m_written.append(m_current, m_currentOffset, static_cast<std::size_t>(n));
        m_currentOffset += static_cast<std::size_t>(n);
        if (m_baud == 0 && !m_split) continue;
        const auto base = m_wireFreeAt + kCatchUp < now ? now : m_wireFreeAt;
        auto next = base;
        if (m_baud > 0) next += WireTime(static_cast<std::size_t>(n), m_baud);
        if (m_split) next = std::max(next, Clock::now() + kSplitGap);
        m_wireFreeAt = next;
    }
    return true;
}

}  // namespace sim
