#include "scan_stats.h"

#include <algorithm>

void ScanStats::Clear() {
    m_devices.clear();
    m_index.clear();
    m_totalReports = 0;
    m_latestMs = 0;
}

std::size_t ScanStats::Add(const std::string& address, const std::string& name, int rssi, int64_t atMs) {
    const auto [it, isNew] = m_index.try_emplace(address, m_devices.size());
    if (isNew) {
        ScanDeviceStats& d = m_devices.emplace_back();
        d.address = address;
        d.firstRssi = d.minRssi = d.maxRssi = rssi;
        d.firstSeenMs = atMs;
    }
    ScanDeviceStats& d = m_devices[it->second];
    if (!name.empty() && name != d.name) d.name = name;
    ++d.hits;
    d.lastRssi = rssi;
    d.minRssi = std::min(d.minRssi, rssi);
    d.maxRssi = std::max(d.maxRssi, rssi);
    d.rssiSum += rssi;
    d.meanRssi = static_cast<double>(d.rssiSum) / static_cast<double>(d.hits);
    d.lastSeenMs = atMs;
    if (d.history.size() >= kHistoryLimit) d.history.pop_front();
    d.history.emplace_back(atMs, rssi);
    ++m_totalReports;
    m_latestMs = std::max(m_latestMs, atMs);
    return it->second;
}

std::size_t ScanStats::Find(const std::string& address) const {
    const auto it = m_index.find(address);
    return it == m_index.end() ? npos : it->second;
}
