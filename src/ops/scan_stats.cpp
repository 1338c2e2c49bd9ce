#include "scan_stats.h"

#include <algorithm>

void ScanStats::Clear() {
    m_devices.clear();
    m_index.clear();
    m_total = 0;
}

std::size_t ScanStats::Add(const std::string& address, const std::string& name, int rssi, int64_t atMs) {
    ++m_total;
    auto [it, added] = m_index.emplace(address, m_devices.size());
    if (added) {
        ScanDeviceStats d;
        d.address = address;
        d.firstRssi = d.minRssi = d.maxRssi = rssi;
        d.firstSeenMs = atMs;
        m_devices.push_back(std::move(d));
    }
    ScanDeviceStats& d = m_devices[it->second];
    if (!name.empty()) {
        d.name = name;
    }
    ++d.hits;
    d.lastRssi = rssi;
    d.minRssi = std::min(d.minRssi, rssi);
    d.maxRssi = std::max(d.maxRssi, rssi);
    // Running mean: no sum to overflow however long the scan runs.
    d.meanRssi += (rssi - d.meanRssi) / static_cast<double>(d.hits);
    d.lastSeenMs = atMs;
    d.history.emplace_back(atMs, rssi);
    if (d.history.size() > kHistoryLimit) {
        d.history.pop_front();
    }
    return it->second;
}

const std::vector<ScanDeviceStats>& ScanStats::Devices() const { return m_devices; }

uint64_t ScanStats::TotalReports() const { return m_total; }
