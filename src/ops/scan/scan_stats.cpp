#include "ops/scan/scan_stats.h"

#include <algorithm>

namespace {

constexpr uint32_t kNone = static_cast<uint32_t>(-1);

int16_t Rssi(int rssi) { return static_cast<int16_t>(std::clamp(rssi, -32768, 32767)); }

}  // namespace

ScanStats::ScanStats(std::size_t capacity) : m_capacity(std::max<std::size_t>(capacity, 1)) {}

void ScanStats::Clear() {
    m_devices.clear();
    m_devices.shrink_to_fit();
    m_index.clear();
    m_index.rehash(0);
    m_oldest = m_newest = 0;
    m_nextSerial = 0;
    m_totalReports = 0;
    m_droppedDevices = 0;
    m_droppedReports = 0;
    m_latestMs = 0;
}

void ScanStats::Unlink(uint32_t slot) {
    ScanDeviceStats& d = m_devices[slot];
    if (d.older != kNone)
        m_devices[d.older].newer = d.newer;
    else
        m_oldest = d.newer;
    if (d.newer != kNone)
        m_devices[d.newer].older = d.older;
    else
        m_newest = d.older;
}

// The list holds at least one other slot.
void ScanStats::LinkNewest(uint32_t slot) {
    ScanDeviceStats& d = m_devices[slot];
    d.newer = kNone;
    d.older = m_newest;
    m_devices[m_newest].newer = slot;
    m_newest = slot;
}

std::size_t ScanStats::Add(const std::string& address, const std::string& name, int rssi, int64_t atMs) {
    uint32_t slot;
    if (const auto it = m_index.find(address); it != m_index.end()) {
        slot = it->second;
        if (slot != m_newest) {
            Unlink(slot);
            LinkNewest(slot);
        }
    } else {
        if (m_devices.size() < m_capacity) {
            slot = static_cast<uint32_t>(m_devices.size());
            m_devices.emplace_back();
            if (m_devices.size() == 1) {
                m_devices[0].older = m_devices[0].newer = kNone;
                m_oldest = m_newest = 0;
            } else {
                LinkNewest(slot);
            }
        } else {
            // Full: the least recently seen device makes room.
            slot = m_oldest;
            ScanDeviceStats& gone = m_devices[slot];
            ++m_droppedDevices;
            m_droppedReports += gone.hits;
            m_index.erase(gone.address);
            if (slot != m_newest) {
                Unlink(slot);
                LinkNewest(slot);
            }
            const uint32_t newer = gone.newer, older = gone.older;
            gone = ScanDeviceStats();
            gone.newer = newer;
            gone.older = older;
        }
        m_index.emplace(address, slot);
        ScanDeviceStats& d = m_devices[slot];
        d.address = address;
        d.serial = m_nextSerial++;
        d.firstRssi = d.minRssi = d.maxRssi = Rssi(rssi);
        d.firstSeenMs = atMs;
    }
    ScanDeviceStats& d = m_devices[slot];
    if (!name.empty() && name != d.name) d.name = name;
    ++d.hits;
    d.lastRssi = Rssi(rssi);
    d.minRssi = std::min(d.minRssi, d.lastRssi);
    d.maxRssi = std::max(d.maxRssi, d.lastRssi);
    d.rssiSum += rssi;
    d.lastSeenMs = atMs;
    ++m_totalReports;
    m_latestMs = std::max(m_latestMs, atMs);
    return slot;
}

std::vector<std::size_t> ScanStats::SlotsByFirstSighting() const {
    std::vector<std::size_t> slots(m_devices.size());
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = i;
    std::sort(slots.begin(), slots.end(),
              [this](std::size_t a, std::size_t b) { return m_devices[a].serial < m_devices[b].serial; });
    return slots;
}

std::size_t ScanStats::Find(const std::string& address) const {
    const auto it = m_index.find(address);
    return it == m_index.end() ? npos : it->second;
}
