// Per-device figures of a scan: hits and RSSI statistics, in order of first
// sighting, with a bounded RSSI history per device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ScanDeviceStats {
    std::string address; std::string name;  // latest non-empty name
    uint64_t hits = 0; int firstRssi = 0, lastRssi = 0, minRssi = 0, maxRssi = 0; double meanRssi = 0;
    int64_t firstSeenMs = 0, lastSeenMs = 0;  // since the scan started
    std::deque<std::pair<int64_t, int>> history;  // (ms, rssi), newest last, bounded
};

class ScanStats {
public:
    static constexpr std::size_t kHistoryLimit = 600;
    void Clear();
    std::size_t Add(const std::string& address, const std::string& name, int rssi, int64_t atMs);  // index of the record
    const std::vector<ScanDeviceStats>& Devices() const;  // order of first sighting
    uint64_t TotalReports() const;

private:
    std::vector<ScanDeviceStats> m_devices;
    std::unordered_map<std::string, std::size_t> m_index;
    uint64_t m_total = 0;
};
